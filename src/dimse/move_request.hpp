#pragma once

// The C-MOVE request and its responses on an association the caller opened with a
// presentation context for the Study Root Query/Retrieve MOVE SOP class.

#include <cstdint>
#include <string>
#include <string_view>

#include "dimse/query_records.hpp"
#include "elements/tag_record.hpp"
#include "net/dimse_response.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

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

// Reads one C-MOVE-RSP into `response`; a data set that follows it (a Failed SOP Instance
// UID List, for example) is read and dropped. Success, carrying the status, for 0x0000 and
// pending (0xFF00); kStatus with the status for any other, warnings and cancel included;
// kNoResponse when the command or its data set cannot be read, kUnexpectedResponse when
// another command came.
ServiceResult ReadMoveRSP(PDU_Service& pdu, DimseResponse& response);

// What a C-MOVE status means, for the operator: "Success", "Pending", "Refused: Move
// Destination unknown", "Warning: sub-operations complete, one or more failures", ...
std::string DescribeMoveStatus(uint16_t status);

}  // namespace norvane
