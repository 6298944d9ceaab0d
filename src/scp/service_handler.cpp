#include "scp/service_handler.hpp"

#include <algorithm>

#include "dimse/dimse_exchange.hpp"
#include "elements/record_values.hpp"
#include "log/log.hpp"
#include "net/pdu_layout.hpp"
#include "net/uids.hpp"

namespace norvane {

std::string_view FirstProposed(const std::vector<UIDitem>& proposed,
                               std::initializer_list<std::string_view> preferred) {
  for (std::string_view candidate : preferred) {
    if (std::any_of(proposed.begin(), proposed.end(),
                    [&](const UIDitem& item) { return item.Text() == candidate; })) {
      return candidate;
    }
  }
  return {};
}

std::string_view ServiceHandler::ChooseTransferSyntax(std::string_view /*sopClass*/,
                                                      const std::vector<UIDitem>& proposed) const {
  return FirstProposed(proposed, {uid::kImplicitVRLittleEndian, uid::kExplicitVRLittleEndian});
}

std::string_view ServiceRequest::CallingApTitle() const {
  return TrimmedText(std::string_view(association_.CallingApTitle()));
}

ServiceResult ServiceRequest::ReadDataSet(TagList& dataset) const {
  if (!command_.HasDataSet()) return ServiceResult::Success();
  AwaitingPeer();
  const MessageRead read = association_.ReadMessage(dataset, ExpectedMessage::kDataSet);
  Working();
  return read;
}

ServiceResult ServiceRequest::Respond(const DimseCommand& response, const TagList* dataset) const {
  return SendCommand(association_, contextID_, response, dataset);
}

ServiceResult ServiceRequest::Respond(uint16_t status) const {
  return Respond(ResponseTo(command_, status));
}

bool ServiceRequest::CancelRequested() {
  while (!cancelled_ && association_.Connected() && association_.MessageWaiting()) {
    const ReceivedCommand received = ReceiveCommand(association_);
    if (!association_.Connected()) break;
    if (received.command.commandField != kCCancelRQ) {
      WriteLog("The requester sent " + CommandWithArticle(received.command.commandField) +
               " while its request was served (aborted)");
      association_.AbortAssociation(kAbortSourceServiceProvider, kAbortReasonUnexpectedPdu);
      break;
    }
    cancelled_ = received.command.messageIDBeingRespondedTo == command_.messageID;
  }
  return cancelled_;
}

}  // namespace norvane
