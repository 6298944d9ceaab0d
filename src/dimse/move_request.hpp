#pragma once

// The C-MOVE request and its responses on an association the caller opened with a
// presentation context for the Study Root Query/Retrieve MOVE SOP class.

#include <cstdint>
#include <string>
#include <string_view>

#include "dimse/dimse_exchange.hpp"
#include "dimse/query_records.hpp"
#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The C-MOVE-RQ: Affected SOP Class UID, Message ID, Move Destination, Priority medium, a
// data set announced. Both texts go out as given, an odd length padded as their VR asks:
// the UID with a NUL, the AE title of the destination with a space.
DimseCommand MoveRequest(std::string_view sopClass, uint16_t messageID,
                         std::string_view moveDestination);

// Sends the C-MOVE-RQ with message ID `messageID` and then the identifier on the context of
// `sopClass` (an empty identifier puts nothing on the wire); when the identifier cannot
// follow the command, the association is aborted.
ServiceResult SendMoveRequest(PDU_Service& pdu, const TagList& identifier,
                              std::string_view sopClass, std::string_view moveDestination,
                              uint16_t messageID);

// SendMoveRequest with the association's next message ID.
ServiceResult SendMoveCommand(PDU_Service& pdu, const TagList& identifier,
                              std::string_view sopClass, std::string_view moveDestination);

// Builds the identifier of the record's level (the same as for C-FIND) and sends it.
template <class Record>
ServiceResult WriteMoveRQ(PDU_Service& pdu, const Record& query, std::string_view sopClass,
                          std::string_view moveDestination);

// Reads one C-MOVE-RSP into `response`; a data set that follows it (a Failed SOP Instance
// UID List, for example) is read and dropped. Success, carrying the status, for 0x0000 and
// pending (0xFF00); kStatus with the status and its meaning for any other, warnings and
// cancel included; the association's failure (MessageNotRead) when the command or its
// data set cannot be read, kUnexpectedResponse when another command came,
// kProtocol for a response without a required field.
ServiceResult ReadMoveRSP(PDU_Service& pdu, DimseCommand& response);

}  // namespace norvane
