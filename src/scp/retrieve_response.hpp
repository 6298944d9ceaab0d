#pragma once

// The responses of a retrieval SCP (C-MOVE-RSP, C-GET-RSP) with their sub-operation
// numbers.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"

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

// The longest Failed SOP Instance UID List (0008,0058) a response carries: the most a
// 16-bit length field holds at even length, so that the list encodes in every transfer
// syntax.
inline constexpr size_t kMaxFailedInstanceListLength = 65534;

// The Failed SOP Instance UID List of the numbers: the failed UIDs separated by '\', in
// the order they failed, as many whole UIDs as fit kMaxFailedInstanceListLength; the others
// are left out (the failed number still counts them).
TagRecord FailedInstanceList(const SubOperationCounts& counts);

// The response command set to the request: group length, Affected SOP Class UID (the
// request's), Command Field, Message ID Being Responded To, Command Data Set Type, Status,
// and the numbers: remaining ones only while pending or after a cancel, completed, failed
// and warning ones
// when `counts` is given.
TagList RetrieveRSPCommand(const TagList& request, uint16_t commandField, uint16_t status,
                           const SubOperationCounts* counts, bool dataSetFollows);

// Sends a response on the request's context: a pending one with the numbers, or a final
// one (any other status) with them when given and, when sub-operations failed, the
// identifier with the Failed SOP Instance UID List (0008,0058). False when it cannot be
// sent.
bool WriteRetrieveRSP(PDU_Service& pdu, const TagList& request, uint8_t contextID,
                      uint16_t commandField, uint16_t status, const SubOperationCounts* counts);

}  // namespace norvane
