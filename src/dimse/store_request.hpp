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

namespace norvane {

// ReadStoreRSP's results besides a status.
inline constexpr int kNoStoreResponse = -1;
inline constexpr int kUnexpectedStoreResponse = -2;

enum class StoreRequestStatus : uint8_t {
  kSent,                   // command and data set handed to the association
  kNoPresentationContext,  // no accepted presentation context for the SOP class
  kConversionOff,          // accepted syntax differs from the file's, conversion not allowed
  kNotConverted,           // the data set could not be converted to the accepted syntax
  kNotSent,                // the command or the data set could not be sent
};

struct StoreRequestResult {
  StoreRequestStatus status = StoreRequestStatus::kNotSent;
  std::string acceptedSyntax;  // of the context used; empty when there was none
  bool converted = false;      // the data set went out converted to acceptedSyntax
  ConvertStatus conversion = ConvertStatus::kOk;  // why kNotConverted

  bool Sent() const { return status == StoreRequestStatus::kSent; }
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

// Reads the next DIMSE command: its Status (0 to 65535; a response without one counts as
// 0) when it is a C-STORE-RSP, kNoStoreResponse when no message could be read,
// kUnexpectedStoreResponse for any other message. The Message ID Being Responded To is not
// checked.
int ReadStoreRSP(PDU_Service& pdu);

}  // namespace norvane
