#include "scp/retrieve_response.hpp"

#include <algorithm>
#include <cstdint>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/command_set.hpp"
#include "net/context_message.hpp"

namespace norvane {
namespace {

uint16_t Saturated(size_t number) {
  return static_cast<uint16_t>(std::min<size_t>(number, UINT16_MAX));
}

}  // namespace

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
      elements.push_back(
          CommandUS(tag::kNumberOfRemainingSuboperations, Saturated(counts->remaining)));
    }
    elements.push_back(
        CommandUS(tag::kNumberOfCompletedSuboperations, Saturated(counts->completed)));
    elements.push_back(CommandUS(tag::kNumberOfFailedSuboperations, Saturated(counts->failed)));
    elements.push_back(CommandUS(tag::kNumberOfWarningSuboperations, Saturated(counts->warning)));
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
  const TagList identifier{FailedInstanceList(*counts)};
  return WriteMessageOnContext(pdu, identifier, contextID, kDataSetMessage);
}

TagRecord FailedInstanceList(const SubOperationCounts& counts) {
  std::string list;
  size_t listed = 0;
  for (const std::string& uid : counts.failedInstances) {
    const size_t length = list.size() + (list.empty() ? 0 : 1) + uid.size();
    if (length > kMaxFailedInstanceListLength) break;
    list += (list.empty() ? "" : "\\") + uid;
    ++listed;
  }
  if (listed < counts.failedInstances.size()) {
    WriteLog("Retrieve: the Failed SOP Instance UID List names " + std::to_string(listed) +
             " of the " + std::to_string(counts.failedInstances.size()) +
             " failed instances; the rest do not fit its length field");
  }
  return GeneratePaddedTag(tag::kFailedSOPInstanceUIDList, "UI", list);
}

}  // namespace norvane
