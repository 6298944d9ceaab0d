#pragma once

// The C-FIND request and its responses on an association the caller opened with a
// presentation context for the SOP class. The Study Root query and the modality worklist
// share this framing.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dimse/cancel_request.hpp"
#include "dimse/query_records.hpp"
#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// Pending statuses: the response carries a match and more responses follow.
bool IsPendingStatus(uint16_t status);

// Sends the C-FIND-RQ (Affected SOP Class UID, Message ID `messageID`, Priority medium, a
// data set announced) and then the identifier, both on the presentation context of
// `sopClass`. An empty identifier sends the command alone. When the command went out and
// the identifier cannot follow, the association is aborted: the peer would wait for it.
ServiceResult SendFindRequest(PDU_Service& pdu, const TagList& identifier,
                              std::string_view sopClass, uint16_t messageID);

// SendFindRequest with the association's next message ID.
ServiceResult SendFindCommand(PDU_Service& pdu, const TagList& identifier,
                              std::string_view sopClass);

// Reads one C-FIND-RSP: the command, then the identifier (appended to `identifier`) unless
// Command Data Set Type says none follows. Success, carrying the status, for 0x0000 and the
// pending statuses; kStatus with the status and
// its meaning for any other, which ends the query; when the command or its identifier
// cannot be read, the association's failure (MessageNotRead); kUnexpectedResponse when the
// command is not a C-FIND-RSP, kProtocol when it lacks a field (a Status among them).
// `contextID`, when given, receives the context the identifier came on.
ServiceResult ReadFindResponse(PDU_Service& pdu, TagList& identifier, uint8_t* contextID = nullptr);

// Builds the identifier from the query record and sends it with SendFindCommand.
template <class Record>
ServiceResult WriteFindRQ(PDU_Service& pdu, const Record& query, std::string_view sopClass);

// Reads one response as ReadFindResponse does; for every response read whose status is not
// 0x0000 appends one record filled from its identifier (an empty record when none came, as
// after a failure).
template <class Record>
ServiceResult ReadFindRSP(PDU_Service& pdu, std::vector<Record>& results);

// Reads one response as ReadFindRSP does and keeps its identifier as it came: one list per
// response that adds a record.
ServiceResult ReadFindIdentifier(PDU_Service& pdu, std::vector<TagList>& identifiers);

// Whether a response read by ReadFindResponse adds a record: every status but 0x0000.
bool CarriesRecord(const ServiceResult& response);

}  // namespace norvane
