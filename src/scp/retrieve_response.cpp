#include "scp/retrieve_response.hpp"

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {

uint16_t SubOperationCounts::FinalStatus() const {
  if (failed == 0 && warning == 0) return kStatusSuccess;
  if (completed == 0 && warning == 0) return kStatusUnableToPerformSubOperations;
  return kStatusSubOperationsWarning;
}

DimseCommand RetrieveResponse(const DimseCommand& request, uint16_t status,
                              const SubOperationCounts* counts, bool withFailedList) {
  DimseCommand response = ResponseTo(request, status);
  if (withFailedList) response.commandDataSetType = kDataSetPresent;
  if (counts != nullptr) {
    if (status == kStatusPending || status == kStatusCancel) response.remaining = counts->remaining;
    response.completed = counts->completed;
    response.failed = counts->failed;
    response.warning = counts->warning;
  }
  return response;
}

TagList FailedInstanceList(const SubOperationCounts& counts) {
  std::string list;
  for (const std::string& uid : counts.failedInstances) {
    list += (list.empty() ? "" : "\\") + uid;
  }
  TagList identifier;
  identifier.push_back(GeneratePaddedTag(tag::kFailedSOPInstanceUIDList, "UI", list));
  return identifier;
}

}  // namespace norvane
