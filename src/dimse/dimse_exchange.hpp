#pragma once

// Sending and receiving DIMSE commands on an association, whatever the service: the one
// place where a command set meets the association.

#include <cstdint>
#include <string>
#include <string_view>

#include "dimse/dimse_command.hpp"
#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// Sends a command and, when given, its data set on the accepted presentation context
// `contextID`. Nothing is sent when the command does not hold what its kind requires
// (kLocal) or the context was not accepted (kNoPresentationContext); kNotSent or kTimeout
// when sending failed, the reason naming the command. When the command went out and the
// data set cannot follow, the association is aborted: the peer would wait for it.
ServiceResult SendCommand(PDU_Service& pdu, uint8_t contextID, const DimseCommand& command,
                          const TagList* dataset = nullptr);
// The same on the presentation context proposed for the command's SOP class.
ServiceResult SendCommand(PDU_Service& pdu, const DimseCommand& command,
                          const TagList* dataset = nullptr);

// The next message read as a command: the association's failure when none could be read
// (as ReadMessage gives it), kProtocol when it is not a command of a known kind with the fields
// the kind requires (the association stays open; the fields read are kept).
struct [[nodiscard]] ReceivedCommand : ServiceResult {
  DimseCommand command;
  uint8_t contextID = 0;
};
ReceivedCommand ReceiveCommand(PDU_Service& pdu);

// Reads the next message as the response of kind `expectedCommandField` into `response`.
// When no message could be read, the association's failure (kNoResponse, kTimeout,
// kAborted, kProtocol) with the reason "no C-FIND-RSP: " and why; kProtocol, with the
// association aborted, for a response without the fields its kind requires (a Status
// among them); kUnexpectedResponse when another command came. On success the result
// carries the response's status; judging it is the service's part. A data set the
// response announces is left to the caller.
ServiceResult ReadResponse(PDU_Service& pdu, uint16_t expectedCommandField, DimseCommand& response);

// The result of a message that could not be read: `why`'s failure, its reason after
// "no " + `what` + ": ".
ServiceResult MessageNotRead(const ServiceResult& why, std::string_view what);

// The result of something that could not be sent: kTimeout when the peer took no data,
// else kNotSent; the reason is `what` + " could not be sent: " and why.
ServiceResult NotSent(const ServiceResult& why, std::string_view what);

// A status as the usual four hex digits: "0xA700".
std::string StatusText(uint16_t status);

// The result a final status gives: success for 0x0000, else kStatus with the status and
// the reason "C-STORE-RSP status 0xA700 (Refused: Out of Resources)", the meaning from the
// status table of the response's service.
ServiceResult FinalStatusResult(const DimseCommand& response);

}  // namespace norvane
