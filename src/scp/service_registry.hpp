#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "net/acceptor_policy.hpp"
#include "scp/service_handler.hpp"

namespace norvane {

// The services an SCP offers, in the order they were registered: a request goes to the
// first handler that serves the SOP class of its context and handles its command, and a
// proposed context is taken by the first handler that serves its class.
class ServiceRegistry {
 public:
  void Register(std::shared_ptr<const ServiceHandler> handler);

  // The handler of a request of `commandField` on a context of `sopClass`; null for none.
  const ServiceHandler* HandlerFor(std::string_view sopClass, uint16_t commandField) const;
  // The acceptor policy the handlers make: the classes they serve, with their syntaxes
  // and roles. The policy refers to this registry, which must outlive it.
  AcceptorPolicy Policy() const;

 private:
  const ServiceHandler* ServerOf(std::string_view sopClass) const;

  std::vector<std::shared_ptr<const ServiceHandler>> handlers_;
};

// The services of norvane scp as the settings ask for them: verification, storage, the
// archive's queries and retrievals, and the modality worklist when a worklist folder is
// set.
ServiceRegistry ScpServices(const StoreSCPSettings& settings);

}  // namespace norvane
