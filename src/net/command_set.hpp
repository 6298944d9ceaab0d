#pragma once

#include <cstdint>
#include <string_view>

#include "datadec/element_codec.hpp"
#include "elements/tag_list.hpp"

namespace norvane {

// Elements of the DIMSE command group (0000,xxxx) that the services build and read.
inline constexpr uint16_t kCommandGroupLength = 0x0000;
inline constexpr uint16_t kAffectedSOPClassUID = 0x0002;
inline constexpr uint16_t kCommandField = 0x0100;
inline constexpr uint16_t kMessageID = 0x0110;
inline constexpr uint16_t kMessageIDBeingRespondedTo = 0x0120;
inline constexpr uint16_t kCommandDataSetType = 0x0800;
inline constexpr uint16_t kStatus = 0x0900;
inline constexpr uint16_t kPriority = 0x0700;
inline constexpr uint16_t kAffectedSOPInstanceUID = 0x1000;
inline constexpr uint16_t kMoveDestination = 0x0600;
inline constexpr uint16_t kNumberOfRemainingSubOperations = 0x1020;
inline constexpr uint16_t kNumberOfCompletedSubOperations = 0x1021;
inline constexpr uint16_t kNumberOfFailedSubOperations = 0x1022;
inline constexpr uint16_t kNumberOfWarningSubOperations = 0x1023;
// DIMSE-N requests name the object they act on with the Requested UIDs.
inline constexpr uint16_t kRequestedSOPClassUID = 0x0003;
inline constexpr uint16_t kRequestedSOPInstanceUID = 0x1001;
inline constexpr uint16_t kActionTypeID = 0x1008;

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

// Command Data Set Type: no data set follows the command, or one does.
inline constexpr uint16_t kNoDataSet = 0x0101;
inline constexpr uint16_t kDataSetPresent = 0x0102;

inline constexpr uint16_t kStatusSuccess = 0x0000;
// Pending: more responses follow (0xFF01: some optional keys were not supported).
inline constexpr uint16_t kStatusPending = 0xFF00;
inline constexpr uint16_t kStatusPendingWarning = 0xFF01;
// Refused: Out of Resources (the object could not be stored).
inline constexpr uint16_t kStatusOutOfResources = 0xA700;
// Error: Cannot Understand (the object cannot be taken as it is).
inline constexpr uint16_t kStatusCannotUnderstand = 0xC000;

// A UI record holding the UID text, padded with one zero byte when its length is odd.
TagRecord GenerateUIDTag(uint16_t group, uint16_t element, std::string_view uid);

// A command record holding one 16-bit number.
inline TagRecord CommandUS(uint16_t element, uint16_t number) {
  return GenerateUSTag(kCommandGroup, element, number);
}

// Puts the Command Group Length (0000,0000) in front of the command elements: the encoded
// size of everything after it, 8 bytes of tag and length per element plus its value.
TagList CommandSet(TagList elements);

// The text of a UID value: its bytes up to the first zero byte (a zero pad is not part of
// the UID; a blank pad is).
std::string_view UIDText(const TagRecord& record);

}  // namespace norvane
