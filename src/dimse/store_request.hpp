#pragma once

// The Storage service's request and response (C-STORE-RQ, C-STORE-RSP) on an association
// the caller opened with a presentation context for the SOP class.

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/convert_status.hpp"
#include "elements/tag_record.hpp"
#include "net/command_set.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// How a C-STORE-RQ went out: success once command and data set were handed to the
// association; kNoPresentationContext when no accepted context serves the SOP class, or
// the accepted one is in another syntax and conversion is not allowed; kLocal when the
// conversion failed; kNotSent when sending failed.
struct [[nodiscard]] StoreRequestResult : ServiceResult {
  std::string acceptedSyntax;  // of the context used; empty when there was none
  bool converted = false;      // the data set went out converted to acceptedSyntax
  ConvertStatus conversion = ConvertStatus::kOk;  // why a conversion failed
};

// The C-STORE-RQ command set for the data set to send: group length, Affected SOP Class
// UID, Command Field, Message ID, Priority (medium), Command Data Set Type (present) and,
// when the data set has a SOP Instance UID (0008,0018), Affected SOP Instance UID with that
// value's bytes (a value of odd length gets a NUL pad byte).
TagList StoreRQCommand(std::string_view sopClass, uint16_t messageID, const TagList& dataset);

// Sends one C-STORE-RQ and its data set on the presentation context of `sopClass`, with
// the next message ID of the process. The data set goes out as it is when the accepted
// transfer syntax is `fileTransferSyntax`; otherwise it is converted to the accepted syntax
// when `convert` is set, and not sent at all when it is not (a data set labelled with a
// transfer syntax it is not encoded in would be corrupt at the receiver). The caller's
// data set is never changed. When the command went out but the data set cannot follow, the
// association is aborted, as the peer would wait for the data set.
StoreRequestResult SendStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                               std::string_view fileTransferSyntax, bool convert);

// The same as a success flag: true once the command and the data set were handed to the
// association.
bool WriteStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                  std::string_view fileTransferSyntax, bool convert);

// Reads the next DIMSE command as the C-STORE-RSP: success for status 0x0000 (a response
// without a Status counts as 0x0000), kStatus with any other status (warnings included),
// kNoResponse when no message could be read, kUnexpectedResponse for another command. The
// Message ID Being Responded To is not checked.
ServiceResult ReadStoreRSP(PDU_Service& pdu);

}  // namespace norvane
