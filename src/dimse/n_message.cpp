#include "dimse/n_message.hpp"

#include "dimse/dimse_command.hpp"
#include "dimse/dimse_exchange.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {

DimseCommand NRequest(uint16_t commandField, std::string_view sopClass,
                      std::string_view sopInstance, uint16_t messageID, bool dataSetFollows) {
  DimseCommand request = Request(commandField, sopClass, messageID, dataSetFollows);
  // An N-CREATE without an instance lets the SCP choose it.
  if (commandField == kNCreateRQ || commandField == kNEventReportRQ) {
    request.affectedSOPInstanceUID = sopInstance;
  } else {
    request.requestedSOPInstanceUID = sopInstance;
  }
  if (commandField == kNActionRQ) request.actionTypeID = kPrintActionTypeID;
  return request;
}

ServiceResult WriteNRequest(PDU_Service& pdu, uint16_t commandField, std::string_view sopClass,
                            std::string_view sopInstance, const TagList* dataset) {
  // A command that announces a data set must be followed by one, so an empty data set is
  // announced as none.
  const bool dataSetFollows = dataset != nullptr && !dataset->empty();
  return WriteNRequest(
      pdu, NRequest(commandField, sopClass, sopInstance, pdu.NextMessageID(), dataSetFollows),
      dataSetFollows ? dataset : nullptr);
}

ServiceResult WriteNRequest(PDU_Service& pdu, const DimseCommand& request, const TagList* dataset) {
  const std::string name = CommandFieldName(request.commandField);
  if (request.SOPClass().size() > kMaxPrintUIDLength ||
      request.SOPInstance().size() > kMaxPrintUIDLength) {
    return ServiceResult::Failed(ServiceFailure::kLocal,
                                 name + " not sent: a UID is longer than 64 characters");
  }
  const uint8_t contextID = pdu.GetPresentationContextID(request.SOPClass());
  if (contextID == 0 || !pdu.GetTransferSyntax(contextID)) {
    return ServiceResult::Failed(
        ServiceFailure::kNoPresentationContext,
        name + " not sent: no accepted presentation context for " +
            (request.SOPClass().empty() ? std::string("an empty SOP class")
                                        : "SOP class " + request.SOPClass()));
  }
  return SendCommand(pdu, contextID, request, dataset);
}

ServiceResult ReadNResponse(PDU_Service& pdu, uint16_t expectedCommandField, TagList* dataset,
                            std::string* affectedInstance) {
  DimseCommand response;
  ServiceResult read = ReadResponse(pdu, expectedCommandField, response);
  if (!read) return read;
  ServiceResult result = FinalStatusResult(response);
  if (response.HasDataSet()) {
    TagList discarded;
    TagList& target = result.Ok() && dataset != nullptr ? *dataset : discarded;
    if (const MessageRead data = pdu.ReadMessage(target); !data) {
      return MessageNotRead(data, "data set after the " + CommandFieldName(expectedCommandField));
    }
  }
  if (!result) return result;
  if (affectedInstance != nullptr && !response.affectedSOPInstanceUID.empty()) {
    if (response.affectedSOPInstanceUID.size() > kMaxPrintUIDLength) {
      return ServiceResult::Failed(ServiceFailure::kProtocol,
                                   CommandFieldName(expectedCommandField) +
                                       " names an instance UID longer than 64 characters",
                                   response.status);
    }
    *affectedInstance = response.affectedSOPInstanceUID;
  }
  return result;
}

}  // namespace norvane
