#include "dimse/cancel_request.hpp"

#include "elements/tags.hpp"
#include "net/association_parameters.hpp"
#include "net/command_set.hpp"

namespace norvane {

TagList CancelRQCommand(uint16_t messageIDBeingRespondedTo) {
  TagList elements;
  elements.push_back(CommandUS(tag::kCommandField, kCCancelRQ));
  elements.push_back(CommandUS(tag::kMessageIDBeingRespondedTo, messageIDBeingRespondedTo));
  elements.push_back(CommandUS(tag::kCommandDataSetType, kNoDataSet));
  return CommandSet(std::move(elements));
}

bool WriteCancelRQ(PDU_Service& pdu, std::string_view sopClass, uint16_t messageID) {
  return pdu.WriteMessage(CancelRQCommand(messageID), sopClass, kCommandMessage);
}

bool IsPending(const ServiceResult& response) {
  return response.Ok() && response.status &&
         (*response.status == kStatusPending || *response.status == kStatusPendingWarning);
}

ServiceResult ReadUntilFinal(PDU_Service& pdu, std::chrono::milliseconds limit,
                             const ReadResponse& read) {
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
