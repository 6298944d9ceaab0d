#include "scp/verification_service.hpp"

#include "net/uids.hpp"

namespace norvane {

bool VerificationService::Serves(std::string_view sopClass) const {
  return sopClass == uid::kVerification;
}

bool VerificationService::Handle(ServiceRequest& request) const {
  return request.Respond(kStatusSuccess).Ok() || !request.Ended();
}

}  // namespace norvane
