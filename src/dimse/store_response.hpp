#pragma once

#include <cstdint>

#include "dimse/dimse_command.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The C-STORE-RSP to a received C-STORE-RQ: the request's Affected SOP Class UID, Message
// ID and Message ID Being Responded To (both the request's Message ID), no data set, and
// the status. It names no Affected SOP Instance UID.
DimseCommand StoreResponse(const DimseCommand& request, uint16_t status);

// Sends the C-STORE-RSP on the presentation context the request arrived on.
ServiceResult WriteStoreRSP(PDU_Service& pdu, const DimseCommand& request,
                            uint8_t presentationContextID, uint16_t status);

}  // namespace norvane
