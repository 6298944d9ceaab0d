#include "dimse/n_message.hpp"

#include "elements/tag_list.hpp"
#include "net/command_set.hpp"
#include "net/unique_ids.hpp"

namespace norvane {

TagList NRequestCommand(uint16_t commandField, std::string_view sopClass,
                        std::string_view sopInstance, uint16_t messageID, bool dataSetFollows) {
  const bool create = commandField == kNCreateRQ;
  TagList elements;
  elements.push_back(GenerateUIDTag(
      kCommandGroup, create ? kAffectedSOPClassUID : kRequestedSOPClassUID, sopClass));
  elements.push_back(CommandUS(kCommandField, commandField));
  elements.push_back(CommandUS(kMessageID, messageID));
  elements.push_back(CommandUS(kCommandDataSetType, dataSetFollows ? kDataSetPresent : kNoDataSet));
  // An N-CREATE without an instance lets the printer choose it; an empty Affected SOP
  // Instance UID would be taken by printers as the instance the requester chose.
  if (!create || !sopInstance.empty()) {
    elements.push_back(GenerateUIDTag(
        kCommandGroup, create ? kAffectedSOPInstanceUID : kRequestedSOPInstanceUID, sopInstance));
  }
  if (commandField == kNActionRQ) elements.push_back(CommandUS(kActionTypeID, kPrintActionTypeID));
  return CommandSet(std::move(elements));
}

bool WriteNRequest(PDU_Service& pdu, uint16_t commandField, std::string_view sopClass,
                   std::string_view sopInstance, const TagList* dataset) {
  if (sopClass.size() > kMaxPrintUIDLength || sopInstance.size() > kMaxPrintUIDLength) {
    return false;
  }
  const uint8_t contextID = pdu.GetPresentationContextID(sopClass);
  if (contextID == 0 || !pdu.GetTransferSyntax(contextID)) return false;
  // A command that announces a data set must be followed by one, so an empty data set is
  // announced as none.
  const bool dataSetFollows = dataset != nullptr && !dataset->empty();
  const TagList command =
      NRequestCommand(commandField, sopClass, sopInstance, NextMessageID(), dataSetFollows);
  if (!pdu.WriteMessage(command, sopClass, kCommandMessage)) return false;
  if (dataSetFollows && !pdu.WriteMessage(*dataset, sopClass, kDataSetMessage)) {
    // The peer waits for a data set that will not come; the association cannot go on.
    pdu.AbortAssociation();
    return false;
  }
  return true;
}

bool ReadNResponse(PDU_Service& pdu, uint16_t expectedCommandField, TagList* dataset,
                   std::string* affectedInstance) {
  TagList command;
  if (!pdu.ReadMessage(command)) return false;
  const TagRecord* field = FindTag(command, kCommandGroup, kCommandField);
  if (field == nullptr || GetTagUS(command, kCommandGroup, kCommandField) != expectedCommandField) {
    return false;
  }
  const bool success = FindTag(command, kCommandGroup, kStatus) != nullptr &&
                       GetTagUS(command, kCommandGroup, kStatus) == kStatusSuccess;
  const bool dataSetFollows = FindTag(command, kCommandGroup, kCommandDataSetType) != nullptr &&
                              GetTagUS(command, kCommandGroup, kCommandDataSetType) != kNoDataSet;
  if (dataSetFollows) {
    TagList discarded;
    TagList& target = success && dataset != nullptr ? *dataset : discarded;
    if (!pdu.ReadMessage(target)) return false;
  }
  if (!success) return false;
  if (affectedInstance != nullptr) {
    if (const TagRecord* instance = FindTag(command, kCommandGroup, kAffectedSOPInstanceUID)) {
      const std::string_view text = UIDText(*instance);
      if (text.size() > kMaxPrintUIDLength) return false;
      *affectedInstance = std::string(text);
    }
  }
  return true;
}

}  // namespace norvane
