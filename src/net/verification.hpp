#pragma once

#include <string>
#include <string_view>

#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The Verification service (C-ECHO) as user and as provider.

// Sends a C-ECHO-RQ for the SOP class on its presentation context, with the next message
// ID of the process. True when the command was sent.
bool WriteEchoRQ(PDU_Service& pdu, std::string_view sopClass);

// Reads the next message: success when it is a C-ECHO-RSP with status success (a response
// without a Status element counts as success); kStatus with the status otherwise, or
// kNoResponse / kUnexpectedResponse when no C-ECHO-RSP came.
ServiceResult ReadEchoRSP(PDU_Service& pdu);

// One whole verification: opens an association proposing Verification with implicit VR
// little endian only, sends a C-ECHO-RQ, reads the response, releases. The association
// trace is on when the log level is above 1. An empty calling title becomes the default
// title, written back as OpenAssoc does. Success when every step succeeded; otherwise the
// association's failure, kNotSent, or the response's.
ServiceResult EchoSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
                      std::string_view calledApTitle);

// Answers a received C-ECHO-RQ command set with a C-ECHO-RSP (status success) on the
// request's SOP class. False, with nothing sent, when the request has no Affected SOP
// Class UID; false when the response cannot be sent.
bool WriteEchoRSP(PDU_Service& pdu, const TagList& request);

}  // namespace norvane
