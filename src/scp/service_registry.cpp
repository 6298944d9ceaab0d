#include "scp/service_registry.hpp"

namespace norvane {

void ServiceRegistry::Register(std::shared_ptr<const ServiceHandler> handler) {
  handlers_.push_back(std::move(handler));
}

const ServiceHandler* ServiceRegistry::ServerOf(std::string_view sopClass) const {
  for (const auto& handler : handlers_) {
    if (handler->Serves(sopClass)) return handler.get();
  }
  return nullptr;
}

const ServiceHandler* ServiceRegistry::HandlerFor(std::string_view sopClass,
                                                  uint16_t commandField) const {
  for (const auto& handler : handlers_) {
    if (handler->Serves(sopClass) && handler->Handles(commandField)) return handler.get();
  }
  return nullptr;
}

AcceptorPolicy ServiceRegistry::Policy() const {
  AcceptorPolicy policy;
  policy.servesAbstractSyntax = [this](std::string_view sopClass) {
    return ServerOf(sopClass) != nullptr;
  };
  policy.chooseTransferSyntax = [this](std::string_view sopClass,
                                       const std::vector<UIDitem>& proposed) {
    const ServiceHandler* handler = ServerOf(sopClass);
    return handler != nullptr ? handler->ChooseTransferSyntax(sopClass, proposed)
                              : std::string_view();
  };
  policy.grantsRequesterScpRole = [this](std::string_view sopClass) {
    const ServiceHandler* handler = ServerOf(sopClass);
    return handler != nullptr && handler->GrantsRequesterScpRole(sopClass);
  };
  policy.chooseSyntaxToSend = [this](std::string_view sopClass,
                                     const std::vector<UIDitem>& proposed) {
    const ServiceHandler* handler = ServerOf(sopClass);
    return handler != nullptr ? handler->ChooseSyntaxToSend(sopClass, proposed)
                              : std::string_view();
  };
  return policy;
}

}  // namespace norvane
