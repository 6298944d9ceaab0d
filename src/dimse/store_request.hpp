#pragma once

// The Storage service's request and response (C-STORE-RQ, C-STORE-RSP) on an association
// the caller opened with a presentation context for the SOP class.

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/convert_status.hpp"
#include "dimse/dimse_command.hpp"
#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// How a C-STORE-RQ went out: success once command and data set were handed to the
// association; kNoPresentationContext when no accepted context serves the SOP class, or
// the accepted ones are in other syntaxes and conversion is not allowed; kLocal when the
// conversion cannot or did not succeed; kNotSent when sending failed.
struct [[nodiscard]] StoreRequestResult : ServiceResult {
  std::string acceptedSyntax;  // of the context used; empty when there was none
  bool converted = false;      // the data set went out converted to acceptedSyntax
  ConvertStatus conversion = ConvertStatus::kOk;  // why a conversion failed
};

// The C-STORE-RQ for the data set to send: Affected SOP Class UID, Message ID, Priority
// (medium), a data set announced and, when the data set has a SOP Instance UID
// (0008,0018), Affected SOP Instance UID with that value (sending fails without one).
DimseCommand StoreRequest(std::string_view sopClass, uint16_t messageID, const TagList& dataset);

// Who asked for a storage sub-operation: the calling AE title and the Message ID of its
// C-MOVE-RQ (or C-GET-RQ), which the C-STORE-RQ names as Move Originator Application Entity
// Title (0000,1030) and Move Originator Message ID (0000,1031).
struct MoveOriginator {
  std::string aeTitle;
  uint16_t messageID = 0;
};

// StoreRequest naming the originator.
DimseCommand StoreRequest(std::string_view sopClass, uint16_t messageID, const TagList& dataset,
                          const MoveOriginator& originator);

// Sends one C-STORE-RQ and its data set with the association's next message ID, on an
// accepted presentation context for `sopClass` whose syntax the data set can be had in:
// `fileTransferSyntax` as it is, or another the conversion reaches when `convert` is set;
// the file's own syntax first, then implicit VR little endian, then the others in the
// order proposed. With no such context nothing is sent (a data set labelled
// with a transfer syntax it is not encoded in would be corrupt at the receiver). The caller's
// data set is never changed. When the command went out but the data set cannot follow, the
// association is aborted, as the peer would wait for the data set.
StoreRequestResult SendStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                               std::string_view fileTransferSyntax, bool convert);

// The same, choosing among several accepted contexts for the SOP class the one of the
// preferred syntax, then the file's own, then implicit VR little endian, then the others in
// the order proposed (as far as the data set can be had in their syntaxes).
StoreRequestResult SendStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                               std::string_view fileTransferSyntax, bool convert,
                               std::string_view preferredTransferSyntax);

// The same as a sub-operation of a retrieval, the command naming its originator.
StoreRequestResult SendStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                               std::string_view fileTransferSyntax, bool convert,
                               const MoveOriginator& originator);

// Reads the next DIMSE command as the C-STORE-RSP: success for status 0x0000, kStatus with
// any other status (warnings included), kNoResponse when no message could be read,
// kUnexpectedResponse for another command, kProtocol for a response without a Status. The
// Message ID Being Responded To is not checked.
ServiceResult ReadStoreRSP(PDU_Service& pdu);

}  // namespace norvane
