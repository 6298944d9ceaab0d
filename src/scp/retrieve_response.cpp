#include "scp/retrieve_response.hpp"

#include <algorithm>
#include <cstdint>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"

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

DimseCommand RetrieveResponse(const DimseCommand& request, uint16_t status,
                              const SubOperationCounts* counts, bool withFailedList) {
  DimseCommand response = ResponseTo(request, status);
  if (withFailedList) response.commandDataSetType = kDataSetPresent;
  if (counts != nullptr) {
    if (status == kStatusPending || status == kStatusCancel) {
      response.remaining = Saturated(counts->remaining);
    }
    response.completed = Saturated(counts->completed);
    response.failed = Saturated(counts->failed);
    response.warning = Saturated(counts->warning);
  }
  return response;
}

TagList FailedInstanceList(const SubOperationCounts& counts) {
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
  TagList identifier;
  identifier.push_back(GeneratePaddedTag(tag::kFailedSOPInstanceUIDList, "UI", list));
  return identifier;
}

}  // namespace norvane
