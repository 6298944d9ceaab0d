#pragma once

// The C-MOVE request and its responses on an association the caller opened with a
// presentation context for the Study Root Query/Retrieve MOVE SOP class.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dimse/query_records.hpp"
#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"

namespace norvane {

// The status of ReadMoveRSP when no C-MOVE-RSP could be read.
inline constexpr int kNoMoveResponse = -1;

// One C-MOVE-RSP as far as a requester follows it.
struct MoveResponse {
  int status = kNoMoveResponse;  // 0 to 65535 (0 when absent), or kNoMoveResponse
  // Number of Remaining Sub-operations (0 when absent); -1 when nothing was read.
  int remaining = -1;
  // Numbers of Completed, Failed and Warning Sub-operations, when the response has them.
  std::optional<uint16_t> completed;
  std::optional<uint16_t> failed;
  std::optional<uint16_t> warning;
};

// The C-MOVE-RQ command set: group length, Affected SOP Class UID, Command Field 0x0021,
// Message ID, Move Destination, Priority medium, Command Data Set Type 0x0102. Both texts
// go out as given, an odd length padded with one NUL.
TagList MoveRQCommand(std::string_view sopClass, uint16_t messageID,
                      std::string_view moveDestination);

// Sends the C-MOVE-RQ with the next message ID and then the identifier on the context of
// `sopClass` (an empty identifier puts nothing on the wire). True when both were handed
// to the association; when the identifier cannot follow the command, the association is
// aborted.
bool SendMoveCommand(PDU_Service& pdu, const TagList& identifier, std::string_view sopClass,
                     std::string_view moveDestination);

// Builds the identifier of the record's level (the same as for C-FIND) and sends it.
template <class Record>
bool WriteMoveRQ(PDU_Service& pdu, const Record& query, std::string_view sopClass,
                 std::string_view moveDestination);

// Reads one C-MOVE-RSP; a data set that follows it (a Failed SOP Instance UID List, for
// example) is read and dropped. Status kNoMoveResponse and remaining -1 when no message
// could be read or it is not a C-MOVE-RSP.
MoveResponse ReadMoveResponse(PDU_Service& pdu);

// The same as status and remaining count.
int ReadMoveRSP(PDU_Service& pdu, int& remaining);

// What a C-MOVE status means, for the operator: "Success", "Pending", "Refused: Move
// Destination unknown", "Warning: sub-operations complete, one or more failures", ...
std::string DescribeMoveStatus(int status);

}  // namespace norvane
