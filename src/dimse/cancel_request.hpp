#pragma once

// Cancelling a C-FIND or C-MOVE in progress: the C-CANCEL-RQ, and the responses that may
// still come until the final one.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

#include "dimse/dimse_command.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The C-CANCEL-RQ: Command Field 0x0FFF, Message ID Being Responded To (the request to
// cancel), no data set.
DimseCommand CancelRequest(uint16_t messageIDBeingRespondedTo);

// Sends the C-CANCEL-RQ for the request `messageID` on the presentation context of
// `sopClass`.
ServiceResult WriteCancelRQ(PDU_Service& pdu, std::string_view sopClass, uint16_t messageID);

// Reads one response; pending ones are successes carrying a pending status.
using ResponseReader = std::function<ServiceResult()>;

// After a C-CANCEL-RQ: reads responses with `read` until one is not pending and returns
// its result. A peer that goes on answering with pending responses for longer than
// `limit` in all (each single wait is bounded by the association's DIMSE time-out) is
// aborted: kTimeout.
ServiceResult ReadUntilFinal(PDU_Service& pdu, std::chrono::milliseconds limit,
                             const ResponseReader& read);

// Whether a response result says that more responses follow: a success carrying 0xFF00 or
// 0xFF01.
bool IsPending(const ServiceResult& response);

}  // namespace norvane
