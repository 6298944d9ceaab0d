#pragma once

// The responses of a retrieval SCP (C-MOVE-RSP, C-GET-RSP) with their sub-operation
// numbers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dimse/dimse_command.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Where the sub-operations of one retrieval stand. The numbers are counted in full; a
// response carries each of them saturated at 65535, the most its field holds.
struct SubOperationCounts {
  size_t remaining = 0;
  size_t completed = 0;
  size_t failed = 0;
  size_t warning = 0;
  // SOP Instance UIDs of the failed sub-operations, for the final response.
  std::vector<std::string> failedInstances;

  // The final status these numbers give: success when every sub-operation completed
  // without a warning (or there were none); 0xA702 (unable to perform sub-operations)
  // when none completed and some failed; else 0xB000 (one or more failures or warnings).
  uint16_t FinalStatus() const;
};

// The response to the request with the status and, when `counts` is given, the numbers,
// each saturated at 65535: remaining ones only while pending or after a cancel, then
// completed, failed and warning ones. A data set is announced when `withFailedList`.
DimseCommand RetrieveResponse(const DimseCommand& request, uint16_t status,
                              const SubOperationCounts* counts, bool withFailedList);

// The longest Failed SOP Instance UID List (0008,0058) a response carries: the most a
// 16-bit length field holds at even length, so that the list encodes in every transfer
// syntax.
inline constexpr size_t kMaxFailedInstanceListLength = 65534;

// The identifier of a final response: the Failed SOP Instance UID List, the failed UIDs
// separated by '\', in the order they failed, as many whole UIDs as fit
// kMaxFailedInstanceListLength; the others are left out (the failed number still counts
// them).
TagList FailedInstanceList(const SubOperationCounts& counts);

}  // namespace norvane
