#pragma once

#include <cstdint>
#include <optional>

#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"

namespace norvane {

// The C-STORE-RSP to a received C-STORE-RQ command set, element by element: Command Group
// Length, Affected SOP Class UID (the request's, padded to even length with a NUL),
// Command Field 0x8001, Message ID and Message ID Being Responded To (both the request's
// Message ID), Command Data Set Type 0x0101 (none follows) and Status. It names no
// Affected SOP Instance UID. Nothing when the request has no Affected SOP Class UID or an
// empty one: such a request cannot be answered.
std::optional<TagList> BuildStoreRSP(const TagList& request, uint16_t status);

// Sends the C-STORE-RSP on the presentation context the request arrived on. False, with
// nothing sent, when the request cannot be answered; false when it cannot be sent.
bool WriteStoreRSP(PDU_Service& pdu, const TagList& request, uint8_t presentationContextID,
                   uint16_t status);

}  // namespace norvane
