#pragma once

// Building and naming DIMSE command sets. Their elements are the command group tags of
// elements/tags.hpp (tag::kCommandField, tag::kStatus, ...).

#include <cstdint>
#include <string>
#include <string_view>

#include "datadec/element_codec.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {

// Priority (0000,0700) of every request this system sends.
inline constexpr uint16_t kPriorityMedium = 0x0000;

// Command Field values.
inline constexpr uint16_t kCStoreRQ = 0x0001;
inline constexpr uint16_t kCStoreRSP = 0x8001;
inline constexpr uint16_t kCEchoRQ = 0x0030;
inline constexpr uint16_t kCEchoRSP = 0x8030;
inline constexpr uint16_t kCFindRQ = 0x0020;
inline constexpr uint16_t kCFindRSP = 0x8020;
inline constexpr uint16_t kCMoveRQ = 0x0021;
inline constexpr uint16_t kCMoveRSP = 0x8021;
inline constexpr uint16_t kCGetRQ = 0x0010;
inline constexpr uint16_t kCGetRSP = 0x8010;
inline constexpr uint16_t kNGetRQ = 0x0110;
inline constexpr uint16_t kNGetRSP = 0x8110;
inline constexpr uint16_t kNSetRQ = 0x0120;
inline constexpr uint16_t kNSetRSP = 0x8120;
inline constexpr uint16_t kNActionRQ = 0x0130;
inline constexpr uint16_t kNActionRSP = 0x8130;
inline constexpr uint16_t kNCreateRQ = 0x0140;
inline constexpr uint16_t kNCreateRSP = 0x8140;
inline constexpr uint16_t kNDeleteRQ = 0x0150;
inline constexpr uint16_t kNDeleteRSP = 0x8150;
// C-CANCEL-RQ: stops a C-FIND, C-GET or C-MOVE in progress.
inline constexpr uint16_t kCCancelRQ = 0x0FFF;

// Command Data Set Type: no data set follows the command, or one does.
inline constexpr uint16_t kNoDataSet = 0x0101;
inline constexpr uint16_t kDataSetPresent = 0x0102;

inline constexpr uint16_t kStatusSuccess = 0x0000;
// Pending: more responses follow (0xFF01: some optional keys were not supported).
inline constexpr uint16_t kStatusPending = 0xFF00;
inline constexpr uint16_t kStatusPendingWarning = 0xFF01;
// Cancel: the operation was ended by a C-CANCEL-RQ.
inline constexpr uint16_t kStatusCancel = 0xFE00;
// Refused: Out of Resources (the object could not be stored).
inline constexpr uint16_t kStatusOutOfResources = 0xA700;
// Error: Cannot Understand (the object cannot be taken as it is).
inline constexpr uint16_t kStatusCannotUnderstand = 0xC000;
// Retrieval: Refused: Out of Resources - unable to perform sub-operations.
inline constexpr uint16_t kStatusUnableToPerformSubOperations = 0xA702;
// Retrieval: Refused: Move Destination unknown.
inline constexpr uint16_t kStatusMoveDestinationUnknown = 0xA801;
// Error: Identifier does not match SOP Class.
inline constexpr uint16_t kStatusIdentifierDoesNotMatch = 0xA900;
// Retrieval: Warning: sub-operations complete, one or more failures or warnings.
inline constexpr uint16_t kStatusSubOperationsWarning = 0xB000;

// A UI record holding the UID text, padded with one zero byte when its length is odd.
TagRecord GenerateUIDTag(uint16_t group, uint16_t element, std::string_view uid);
inline TagRecord GenerateUIDTag(Tag tag, std::string_view uid) {
  return GenerateUIDTag(tag.group, tag.element, uid);
}

// A command record holding one 16-bit number.
inline TagRecord CommandUS(Tag tag, uint16_t number) {
  return GenerateUSTag(tag.group, tag.element, number);
}

// The command's name as the standard writes it ("C-STORE-RSP"), or "command 0xNNNN" for
// a field this system does not know.
std::string CommandFieldName(uint16_t commandField);

// Puts the Command Group Length (0000,0000) in front of the command elements: the encoded
// size of everything after it, 8 bytes of tag and length per element plus its value.
TagList CommandSet(TagList elements);

// The text of a UID value: its bytes up to the first zero byte (a zero pad is not part of
// the UID; a blank pad is).
std::string_view UIDText(const TagRecord& record);

}  // namespace norvane
