#include "dimse/dimse_exchange.hpp"

#include <cstdio>

#include "dimse/status_meaning.hpp"
#include "net/pdu_layout.hpp"

namespace norvane {

ServiceResult SendCommand(PDU_Service& pdu, uint8_t contextID, const DimseCommand& command,
                          const TagList* dataset) {
  TagList elements;
  ServiceResult encoded = EncodeCommand(command, elements);
  if (!encoded) return encoded;
  const std::string name = CommandFieldName(command.commandField);
  const ServiceResult sent = pdu.WriteMessageOn(elements, contextID, kCommandMessage);
  if (!sent) {
    if (sent.failure == ServiceFailure::kNoPresentationContext) return sent;
    return NotSent(sent, "the " + name);
  }
  if (dataset == nullptr) return sent;
  const ServiceResult followed = pdu.WriteMessageOn(*dataset, contextID, kDataSetMessage);
  if (followed) return followed;
  pdu.AbortAssociation();
  return NotSent(followed, "the data set of the " + name);
}

ServiceResult SendCommand(PDU_Service& pdu, const DimseCommand& command, const TagList* dataset) {
  const uint8_t contextID = pdu.GetPresentationContextID(command.SOPClass());
  if (contextID == 0 || !pdu.GetTransferSyntax(contextID)) {
    return ServiceResult::Failed(
        ServiceFailure::kNoPresentationContext,
        "no accepted presentation context for SOP class " + command.SOPClass());
  }
  return SendCommand(pdu, contextID, command, dataset);
}

ReceivedCommand ReceiveCommand(PDU_Service& pdu) {
  ReceivedCommand received;
  TagList elements;
  const MessageRead read = pdu.ReadMessage(elements, ExpectedMessage::kCommand);
  if (!read) {
    received.Set(read);
    return received;
  }
  received.contextID = read.contextID;
  DecodedCommand decoded = DecodeCommand(elements);
  received.command = std::move(decoded.command);
  received.Set(std::move(decoded));
  return received;
}

ServiceResult ReadResponse(PDU_Service& pdu, uint16_t expectedCommandField,
                           DimseCommand& response) {
  TagList elements;
  const MessageRead read = pdu.ReadMessage(elements);
  if (!read) return MessageNotRead(read, CommandFieldName(expectedCommandField));
  DecodedCommand decoded = DecodeCommand(elements);
  response = std::move(decoded.command);
  if (response.commandField != expectedCommandField) {
    return ServiceResult::Failed(ServiceFailure::kUnexpectedResponse,
                                 "the peer answered with " +
                                     CommandWithArticle(response.commandField) + ", not " +
                                     CommandWithArticle(expectedCommandField));
  }
  if (!decoded) {
    pdu.AbortAssociation(kAbortSourceServiceUser, kAbortReasonNotSpecified);
    return ServiceResult::Failed(ServiceFailure::kProtocol,
                                 decoded.reason + " (the association was aborted)");
  }
  return ServiceResult::Success(response.status);
}

std::string StatusText(uint16_t status) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(status));
  return text;
}

ServiceResult MessageNotRead(const ServiceResult& why, std::string_view what) {
  const ServiceFailure failure = why.Ok() ? ServiceFailure::kNoResponse : why.failure;
  const std::string reason = why.reason.empty() ? "the association ended" : why.reason;
  return ServiceResult::Failed(failure, "no " + std::string(what) + ": " + reason);
}

ServiceResult NotSent(const ServiceResult& why, std::string_view what) {
  const ServiceFailure failure =
      why.failure == ServiceFailure::kTimeout ? ServiceFailure::kTimeout : ServiceFailure::kNotSent;
  const std::string reason = why.reason.empty() ? "the association is not open" : why.reason;
  return ServiceResult::Failed(failure, std::string(what) + " could not be sent: " + reason);
}

ServiceResult FinalStatusResult(const DimseCommand& response) {
  const uint16_t status = response.status.value_or(kStatusSuccess);
  if (status == kStatusSuccess) return ServiceResult::Success(status);
  std::string reason = StatusReason(response.commandField, status);
  // The peer's own words, when it gave them, say which attribute or state it refused.
  if (!response.errorComment.empty()) reason += ": " + response.errorComment;
  return ServiceResult::Failed(ServiceFailure::kStatus, std::move(reason), status);
}

}  // namespace norvane
