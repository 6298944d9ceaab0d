#include "dimse/cancel_request.hpp"

#include "dimse/dimse_exchange.hpp"
#include "elements/tags.hpp"
#include "net/association_parameters.hpp"

namespace norvane {

DimseCommand CancelRequest(uint16_t messageIDBeingRespondedTo) {
  DimseCommand cancel;
  cancel.commandField = kCCancelRQ;
  cancel.messageIDBeingRespondedTo = messageIDBeingRespondedTo;
  return cancel;
}

ServiceResult WriteCancelRQ(PDU_Service& pdu, std::string_view sopClass, uint16_t messageID) {
  const uint8_t contextID = pdu.GetPresentationContextID(sopClass);
  return SendCommand(pdu, contextID, CancelRequest(messageID));
}

bool IsPending(const ServiceResult& response) {
  return response.Ok() && response.status &&
         (*response.status == kStatusPending || *response.status == kStatusPendingWarning);
}

ServiceResult ReadUntilFinal(PDU_Service& pdu, std::chrono::milliseconds limit,
                             const ResponseReader& read) {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    ServiceResult response = read();
    if (!IsPending(response)) return response;
    if (limit.count() > 0 && std::chrono::steady_clock::now() - start > limit) {
      pdu.AbortAssociation(kAbortSourceServiceUser, kAbortReasonNotSpecified);
      return ServiceResult::Failed(ServiceFailure::kTimeout,
                                   "the peer went on with pending responses for " +
                                       DurationText(limit) + " after the C-CANCEL-RQ (aborted)");
    }
  }
}

}  // namespace norvane
