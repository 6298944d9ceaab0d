#include "dimse/n_message.hpp"

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/dimse_response.hpp"
#include "net/unique_ids.hpp"

namespace norvane {

TagList NRequestCommand(uint16_t commandField, std::string_view sopClass,
                        std::string_view sopInstance, uint16_t messageID, bool dataSetFollows) {
  const bool create = commandField == kNCreateRQ;
  TagList elements;
  elements.push_back(
      GenerateUIDTag(create ? tag::kAffectedSOPClassUID : tag::kRequestedSOPClassUID, sopClass));
  elements.push_back(CommandUS(tag::kCommandField, commandField));
  elements.push_back(CommandUS(tag::kMessageID, messageID));
  elements.push_back(
      CommandUS(tag::kCommandDataSetType, dataSetFollows ? kDataSetPresent : kNoDataSet));
  // An N-CREATE without an instance lets the printer choose it; an empty Affected SOP
  // Instance UID would be taken by printers as the instance the requester chose.
  if (!create || !sopInstance.empty()) {
    elements.push_back(GenerateUIDTag(
        create ? tag::kAffectedSOPInstanceUID : tag::kRequestedSOPInstanceUID, sopInstance));
  }
  if (commandField == kNActionRQ) {
    elements.push_back(CommandUS(tag::kActionTypeID, kPrintActionTypeID));
  }
  return CommandSet(std::move(elements));
}

ServiceResult WriteNRequest(PDU_Service& pdu, uint16_t commandField, std::string_view sopClass,
                            std::string_view sopInstance, const TagList* dataset) {
  const std::string request = CommandFieldName(commandField);
  if (sopClass.size() > kMaxPrintUIDLength || sopInstance.size() > kMaxPrintUIDLength) {
    return ServiceResult::Failed(ServiceFailure::kLocal,
                                 request + " not sent: a UID is longer than 64 characters");
  }
  const uint8_t contextID = pdu.GetPresentationContextID(sopClass);
  if (contextID == 0 || !pdu.GetTransferSyntax(contextID)) {
    return ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                                 request + " not sent: no accepted presentation context for " +
                                     (sopClass.empty() ? std::string("an empty SOP class")
                                                       : "SOP class " + std::string(sopClass)));
  }
  // A command that announces a data set must be followed by one, so an empty data set is
  // announced as none.
  const bool dataSetFollows = dataset != nullptr && !dataset->empty();
  const TagList command =
      NRequestCommand(commandField, sopClass, sopInstance, NextMessageID(), dataSetFollows);
  if (!pdu.WriteMessage(command, sopClass, kCommandMessage)) {
    return ServiceResult::Failed(ServiceFailure::kNotSent, request + " could not be sent");
  }
  if (dataSetFollows && !pdu.WriteMessage(*dataset, sopClass, kDataSetMessage)) {
    // The peer waits for a data set that will not come; the association cannot go on.
    pdu.AbortAssociation();
    return ServiceResult::Failed(ServiceFailure::kNotSent,
                                 "the data set of the " + request + " could not be sent");
  }
  return ServiceResult::Success();
}

ServiceResult ReadNResponse(PDU_Service& pdu, uint16_t expectedCommandField, TagList* dataset,
                            std::string* affectedInstance) {
  DimseResponse response;
  ServiceResult read = ReadDimseResponse(pdu, expectedCommandField, response);
  if (!read) return read;
  ServiceResult result =
      response.hasStatus
          ? FinalStatusResult(response)
          : ServiceResult::Failed(ServiceFailure::kProtocol,
                                  CommandFieldName(expectedCommandField) + " without a Status");
  if (response.dataSetFollows) {
    TagList discarded;
    TagList& target = result.Ok() && dataset != nullptr ? *dataset : discarded;
    if (!pdu.ReadMessage(target)) {
      return ServiceResult::Failed(ServiceFailure::kNoResponse,
                                   "the association ended before the data set of the " +
                                       CommandFieldName(expectedCommandField));
    }
  }
  if (!result) return result;
  if (affectedInstance != nullptr && response.affectedSOPInstanceUID) {
    if (response.affectedSOPInstanceUID->size() > kMaxPrintUIDLength) {
      return ServiceResult::Failed(ServiceFailure::kProtocol,
                                   CommandFieldName(expectedCommandField) +
                                       " names an instance UID longer than 64 characters",
                                   response.status);
    }
    *affectedInstance = *response.affectedSOPInstanceUID;
  }
  return result;
}

}  // namespace norvane
