#include "scp/retrieve_response.hpp"

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/context_message.hpp"

namespace norvane {

uint16_t SubOperationCounts::FinalStatus() const {
  if (failed == 0 && warning == 0) return kStatusSuccess;
  if (completed == 0 && warning == 0) return kStatusUnableToPerformSubOperations;
  return kStatusSubOperationsWarning;
}

TagList RetrieveRSPCommand(const TagList& request, uint16_t commandField, uint16_t status,
                           const SubOperationCounts* counts, bool dataSetFollows) {
  TagList elements;
  if (const TagRecord* sopClass = FindTag(request, tag::kAffectedSOPClassUID)) {
    elements.push_back(GenerateUIDTag(tag::kAffectedSOPClassUID, UIDText(*sopClass)));
  }
  elements.push_back(CommandUS(tag::kCommandField, commandField));
  elements.push_back(
      CommandUS(tag::kMessageIDBeingRespondedTo, GetTagUS(request, tag::kMessageID)));
  elements.push_back(
      CommandUS(tag::kCommandDataSetType, dataSetFollows ? kDataSetPresent : kNoDataSet));
  elements.push_back(CommandUS(tag::kStatus, status));
  if (counts != nullptr) {
    if (status == kStatusPending || status == kStatusCancel) {
      elements.push_back(CommandUS(tag::kNumberOfRemainingSuboperations, counts->remaining));
    }
    elements.push_back(CommandUS(tag::kNumberOfCompletedSuboperations, counts->completed));
    elements.push_back(CommandUS(tag::kNumberOfFailedSuboperations, counts->failed));
    elements.push_back(CommandUS(tag::kNumberOfWarningSuboperations, counts->warning));
  }
  return CommandSet(std::move(elements));
}

bool WriteRetrieveRSP(PDU_Service& pdu, const TagList& request, uint8_t contextID,
                      uint16_t commandField, uint16_t status, const SubOperationCounts* counts) {
  const bool listsFailures =
      status != kStatusPending && counts != nullptr && !counts->failedInstances.empty();
  const TagList command = RetrieveRSPCommand(request, commandField, status, counts, listsFailures);
  if (!WriteMessageOnContext(pdu, command, contextID, kCommandMessage)) return false;
  if (!listsFailures) return true;
  std::string list;
  for (const std::string& uid : counts->failedInstances) {
    list += (list.empty() ? "" : "\\") + uid;
  }
  TagList identifier;
  identifier.push_back(GeneratePaddedTag(tag::kFailedSOPInstanceUIDList, "UI", list));
  return WriteMessageOnContext(pdu, identifier, contextID, kDataSetMessage);
}

}  // namespace norvane
