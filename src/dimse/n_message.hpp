#pragma once

// DIMSE-N requests and responses (N-GET, N-SET, N-ACTION, N-CREATE, N-DELETE) on an
// association the caller opened.

#include <cstdint>
#include <string>
#include <string_view>

#include "dimse/dimse_command.hpp"
#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// The longest UID a print job holds.
inline constexpr size_t kMaxPrintUIDLength = 64;

// Action Type ID of the film box's print action.
inline constexpr uint16_t kPrintActionTypeID = 1;

// A DIMSE-N request: Affected (N-CREATE, N-EVENT-REPORT) or Requested (the others) SOP
// Class and Instance UID, Message ID, a data set announced when `dataSetFollows`, and for
// N-ACTION the Action Type ID 1 (the print action). An N-CREATE without an instance lets
// the SCP choose it.
DimseCommand NRequest(uint16_t commandField, std::string_view sopClass,
                      std::string_view sopInstance, uint16_t messageID, bool dataSetFollows);

// Sends the request (NRequest) with the association's next message ID on the presentation
// context of `sopClass`, followed by `dataset` as a data message when it is given and not
// empty. Nothing is sent on kLocal (a UID longer than 64 characters, or a field the
// request needs is empty) and kNoPresentationContext (no accepted context serves the
// class); kNotSent when sending fails (the association is aborted when the command went
// out but its data set could not follow).
ServiceResult WriteNRequest(PDU_Service& pdu, uint16_t commandField, std::string_view sopClass,
                            std::string_view sopInstance, const TagList* dataset);
// The same for a request the caller built.
ServiceResult WriteNRequest(PDU_Service& pdu, const DimseCommand& request, const TagList* dataset);

// Reads the response to a DIMSE-N request. Success when it is `expectedCommandField` with a
// Status of exactly 0x0000; kStatus for any other status (warnings too), kProtocol for a
// response without a required field (Status) or with an Affected SOP Instance UID longer
// than 64 characters,
// kNoResponse / kUnexpectedResponse when no such response came. The data set the response
// announces is read in every case but a wrong Command Field, so that the association stays
// in step: into `dataset` when given and the response succeeded (records appended), else
// it is discarded. When `affectedInstance` is given and the response has an Affected SOP
// Instance UID, it receives that UID's text.
ServiceResult ReadNResponse(PDU_Service& pdu, uint16_t expectedCommandField, TagList* dataset,
                            std::string* affectedInstance);

}  // namespace norvane
