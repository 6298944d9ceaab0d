#pragma once

#include <string_view>

#include "dimse/dimse_command.hpp"
#include "net/association_parameters.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The Verification service (C-ECHO) as user.

// Sends a C-ECHO-RQ for the SOP class on its presentation context, with the association's
// next message ID.
ServiceResult WriteEchoRQ(PDU_Service& pdu, std::string_view sopClass);

// Reads the next message: success when it is a C-ECHO-RSP with status success; kStatus
// with the status otherwise, or kNoResponse / kUnexpectedResponse / kProtocol when no
// proper C-ECHO-RSP came.
ServiceResult ReadEchoRSP(PDU_Service& pdu);

// One whole verification with the peer: opens an association proposing Verification with
// implicit VR little endian only, sends a C-ECHO-RQ, reads the response, releases. The
// association trace is on when the log level is above 1. Success when every step
// succeeded; otherwise the association's failure, kNotSent, or the response's, each with
// its reason.
ServiceResult EchoSCU(const AssociationParameters& peer);

}  // namespace norvane
