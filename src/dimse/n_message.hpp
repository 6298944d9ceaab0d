#pragma once

// DIMSE-N requests and responses (N-GET, N-SET, N-ACTION, N-CREATE, N-DELETE) on an
// association the caller opened.

#include <cstdint>
#include <string>
#include <string_view>

#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The longest UID a print job holds.
inline constexpr size_t kMaxPrintUIDLength = 64;

// Action Type ID of the film box's print action.
inline constexpr uint16_t kPrintActionTypeID = 1;

// The command set of a DIMSE-N request, in this order: group length; Affected (N-CREATE)
// or Requested (the others) SOP Class UID; Command Field; Message ID; Command Data Set
// Type (0x0102 when `dataSetFollows`, else 0x0101); Affected (N-CREATE) or Requested (the
// others) SOP Instance UID, left out of an N-CREATE whose instance is empty so that the
// printer chooses it; and for N-ACTION the Action Type ID 1. UIDs are padded to even
// length with a NUL.
TagList NRequestCommand(uint16_t commandField, std::string_view sopClass,
                        std::string_view sopInstance, uint16_t messageID, bool dataSetFollows);

// Sends the request with the next message ID on the presentation context of `sopClass`,
// followed by `dataset` as a data message when it is given and not empty. Nothing is sent
// on kLocal (a UID longer than 64 characters) and kNoPresentationContext (no accepted
// context serves the class); kNotSent when sending fails (the association is aborted when
// the command went out but its data set could not follow).
ServiceResult WriteNRequest(PDU_Service& pdu, uint16_t commandField, std::string_view sopClass,
                            std::string_view sopInstance, const TagList* dataset);

// Reads the response to a DIMSE-N request. Success when it is `expectedCommandField` with a
// Status of exactly 0x0000; kStatus for any other status (warnings too), kProtocol for a
// response without Status or with an Affected SOP Instance UID longer than 64 characters,
// kNoResponse / kUnexpectedResponse when no such response came. The data set the response
// announces is read in every case but a wrong Command Field, so that the association stays
// in step: into `dataset` when given and the response succeeded (records appended), else
// it is discarded. When `affectedInstance` is given and the response has an Affected SOP
// Instance UID, it receives that UID's text.
ServiceResult ReadNResponse(PDU_Service& pdu, uint16_t expectedCommandField, TagList* dataset,
                            std::string* affectedInstance);

}  // namespace norvane
