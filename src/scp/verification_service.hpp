#pragma once

#include "scp/service_handler.hpp"

namespace norvane {

// Verification: every C-ECHO-RQ is answered with a C-ECHO-RSP of status success.
class VerificationService : public ServiceHandler {
 public:
  bool Serves(std::string_view sopClass) const override;
  bool Handles(uint16_t commandField) const override { return commandField == kCEchoRQ; }
  bool Handle(ServiceRequest& request) const override;
};

}  // namespace norvane
