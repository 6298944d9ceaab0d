#pragma once

// DIMSE command sets as typed values. One table (dimse_command.cpp) says, for every
// request and response of the C- and N-services, which command fields it must carry and
// which it may carry; one encoder and one decoder follow it, so that no command set is
// built or read field by field anywhere else.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/service_result.hpp"

namespace norvane {

// Command Field values.
inline constexpr uint16_t kCStoreRQ = 0x0001;
inline constexpr uint16_t kCStoreRSP = 0x8001;
inline constexpr uint16_t kCGetRQ = 0x0010;
inline constexpr uint16_t kCGetRSP = 0x8010;
inline constexpr uint16_t kCFindRQ = 0x0020;
inline constexpr uint16_t kCFindRSP = 0x8020;
inline constexpr uint16_t kCMoveRQ = 0x0021;
inline constexpr uint16_t kCMoveRSP = 0x8021;
inline constexpr uint16_t kCEchoRQ = 0x0030;
inline constexpr uint16_t kCEchoRSP = 0x8030;
inline constexpr uint16_t kNEventReportRQ = 0x0100;
inline constexpr uint16_t kNEventReportRSP = 0x8100;
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
// The bit that makes a request's Command Field its response's.
inline constexpr uint16_t kResponseBit = 0x8000;

// Priority (0000,0700) of every request this system sends.
inline constexpr uint16_t kPriorityMedium = 0x0000;

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
// General failures of the DIMSE-N services.
inline constexpr uint16_t kStatusNoSuchSOPClass = 0x0118;
inline constexpr uint16_t kStatusMissingAttribute = 0x0120;
inline constexpr uint16_t kStatusProcessingFailure = 0x0110;
inline constexpr uint16_t kStatusUnrecognizedOperation = 0x0211;
inline constexpr uint16_t kStatusNoSuchAttribute = 0x0105;
inline constexpr uint16_t kStatusInvalidAttributeValue = 0x0106;
inline constexpr uint16_t kStatusDuplicateSOPInstance = 0x0111;
inline constexpr uint16_t kStatusNoSuchSOPInstance = 0x0112;
inline constexpr uint16_t kStatusNoSuchEventType = 0x0113;
inline constexpr uint16_t kStatusInvalidArgumentValue = 0x0115;
inline constexpr uint16_t kStatusInvalidSOPInstance = 0x0117;
inline constexpr uint16_t kStatusMissingAttributeValue = 0x0121;
inline constexpr uint16_t kStatusNoSuchAction = 0x0123;

// An Error Comment (0000,0902) holds at most this many characters.
inline constexpr size_t kMaxErrorComment = 64;

// One command set. Texts are empty and numbers unset when the command does not carry
// the field; UIDs are kept without their NUL pad, AE titles and comments without their
// trailing blanks.
struct DimseCommand {
  uint16_t commandField = 0;
  std::string affectedSOPClassUID;                    // (0000,0002)
  std::string requestedSOPClassUID;                   // (0000,0003)
  std::optional<uint16_t> messageID;                  // (0000,0110)
  std::optional<uint16_t> messageIDBeingRespondedTo;  // (0000,0120)
  std::string moveDestination;                        // (0000,0600)
  std::optional<uint16_t> priority;                   // (0000,0700)
  uint16_t commandDataSetType = kNoDataSet;           // (0000,0800)
  std::optional<uint16_t> status;                     // (0000,0900)
  std::vector<Tag> offendingElements;                 // (0000,0901)
  std::string errorComment;                           // (0000,0902)
  std::optional<uint16_t> errorID;                    // (0000,0903)
  std::string affectedSOPInstanceUID;                 // (0000,1000)
  std::string requestedSOPInstanceUID;                // (0000,1001)
  std::optional<uint16_t> eventTypeID;                // (0000,1002)
  std::vector<Tag> attributeIdentifiers;              // (0000,1005)
  std::optional<uint16_t> actionTypeID;               // (0000,1008)
  std::optional<uint16_t> remaining;                  // (0000,1020)
  std::optional<uint16_t> completed;                  // (0000,1021)
  std::optional<uint16_t> failed;                     // (0000,1022)
  std::optional<uint16_t> warning;                    // (0000,1023)
  std::string moveOriginatorAETitle;                  // (0000,1030)
  std::optional<uint16_t> moveOriginatorMessageID;    // (0000,1031)

  bool IsResponse() const { return (commandField & kResponseBit) != 0; }
  bool HasDataSet() const { return commandDataSetType != kNoDataSet; }
  // The SOP class the command is about: Affected, else Requested.
  const std::string& SOPClass() const {
    return affectedSOPClassUID.empty() ? requestedSOPClassUID : affectedSOPClassUID;
  }
  // The SOP instance it is about: Affected, else Requested.
  const std::string& SOPInstance() const {
    return affectedSOPInstanceUID.empty() ? requestedSOPInstanceUID : affectedSOPInstanceUID;
  }
};

// A request of its kind with a Message ID and, for the C-services that take one, the
// Priority; Command Data Set Type says whether a data set follows.
DimseCommand Request(uint16_t commandField, std::string_view sopClass, uint16_t messageID,
                     bool dataSetFollows);
// The response to a request: its Command Field, the request's SOP class as Affected SOP
// Class UID (C-CANCEL has none) and Message ID as Message ID Being Responded To, the
// status, and no data set.
DimseCommand ResponseTo(const DimseCommand& request, uint16_t status);

// Whether the Command Field is one of the known requests and responses.
bool IsKnownCommand(uint16_t commandField);
// The command's name as the standard writes it ("C-STORE-RSP"), or "command 0xNNNN" for
// a field this system does not know.
std::string CommandFieldName(uint16_t commandField);
// The same with its article: "a C-STORE-RSP", "an N-CREATE-RSP".
std::string CommandWithArticle(uint16_t commandField);

// The command set of a command: the Command Group Length, then every field the command
// holds, in tag order, as implicit VR little endian records (UIDs padded with a NUL, AE
// titles and texts with a blank to even length). kLocal, with nothing in `elements`, for
// a Command Field that is not known, a field the command must carry but does not, or one
// its kind may not carry.
ServiceResult EncodeCommand(const DimseCommand& command, TagList& elements);

// What a received command set holds, checked against its kind: kProtocol for a Command
// Field that is not known, or a field the kind must carry that is missing (a number
// counts only when its element holds two bytes); the reason names it. The fields read
// are kept either way.
struct [[nodiscard]] DecodedCommand : ServiceResult {
  DimseCommand command;
};
DecodedCommand DecodeCommand(const TagList& elements);

// The text of a UID value: its bytes up to the first zero byte (a zero pad is not part of
// the UID; a blank pad is).
std::string_view UIDText(const TagRecord& record);

// A UI record holding the UID text, padded with one zero byte when its length is odd.
TagRecord GenerateUIDTag(Tag tag, std::string_view uid);

}  // namespace norvane
