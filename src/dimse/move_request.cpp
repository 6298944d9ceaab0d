#include "dimse/move_request.hpp"

#include "dimse/query_identifier.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/unique_ids.hpp"

namespace norvane {
namespace {

constexpr uint16_t kStatusCancel = 0xFE00;
constexpr uint16_t kStatusSubOperationsWarning = 0xB000;

// A command text of odd length takes its terminating NUL as the pad byte, whatever its VR.
TagRecord CommandText(Tag tag, std::string_view vr, std::string_view text) {
  std::string value(text);
  if (value.size() % 2 != 0) value.push_back('\0');
  return GenerateTextTag(tag.group, tag.element, vr, value);
}

}  // namespace

TagList MoveRQCommand(std::string_view sopClass, uint16_t messageID,
                      std::string_view moveDestination) {
  TagList elements;
  elements.push_back(CommandText(tag::kAffectedSOPClassUID, "UI", sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCMoveRQ));
  elements.push_back(CommandUS(tag::kMessageID, messageID));
  elements.push_back(CommandText(tag::kMoveDestination, "AE", moveDestination));
  elements.push_back(CommandUS(tag::kPriority, kPriorityMedium));
  elements.push_back(CommandUS(tag::kCommandDataSetType, kDataSetPresent));
  return CommandSet(std::move(elements));
}

bool SendMoveCommand(PDU_Service& pdu, const TagList& identifier, std::string_view sopClass,
                     std::string_view moveDestination) {
  const TagList command = MoveRQCommand(sopClass, NextMessageID(), moveDestination);
  if (!pdu.WriteMessage(command, sopClass, kCommandMessage)) return false;
  if (pdu.WriteMessage(identifier, sopClass, kDataSetMessage)) return true;
  pdu.AbortAssociation();
  return false;
}

template <class Record>
bool WriteMoveRQ(PDU_Service& pdu, const Record& query, std::string_view sopClass,
                 std::string_view moveDestination) {
  TagList identifier;
  BuildIdentifier(query, identifier);
  return SendMoveCommand(pdu, identifier, sopClass, moveDestination);
}

template bool WriteMoveRQ(PDU_Service&, const StudyInfo&, std::string_view, std::string_view);
template bool WriteMoveRQ(PDU_Service&, const SeriesInfo&, std::string_view, std::string_view);
template bool WriteMoveRQ(PDU_Service&, const ImageInfo&, std::string_view, std::string_view);

ServiceResult ReadMoveRSP(PDU_Service& pdu, DimseResponse& response) {
  ServiceResult read = ReadDimseResponse(pdu, kCMoveRSP, response);
  if (!read) return read;
  if (response.dataSetFollows) {
    TagList dropped;
    if (!pdu.ReadMessage(dropped)) {
      return ServiceResult::Failed(ServiceFailure::kNoResponse,
                                   "the association ended before the C-MOVE-RSP's data set");
    }
  }
  if (response.status == kStatusPending) return read;
  return FinalStatusResult(response, DescribeMoveStatus(response.status));
}

std::string DescribeMoveStatus(uint16_t status) {
  if (status == kStatusSuccess) return "Success";
  if (status == kStatusPending) return "Pending";
  if (status == kStatusCancel) return "Cancel: sub-operations terminated";
  if (status == kStatusSubOperationsWarning) {
    return "Warning: sub-operations complete, one or more failures";
  }
  switch (status) {
    case 0xA701:
      return "Refused: out of resources, unable to calculate number of matches";
    case 0xA702:
      return "Refused: out of resources, unable to perform sub-operations";
    case 0xA801:
      return "Refused: Move Destination unknown";
    case 0xA900:
      return "Failed: identifier does not match SOP class";
    case 0x0122:
      return "Refused: SOP class not supported";
    default:
      break;
  }
  if ((status & 0xF000) == 0xC000) return "Failed: unable to process";
  if ((status & 0xF000) == 0xA000) return "Failed";
  if ((status & 0xF000) == 0xB000) return "Warning";
  return "Failed";
}

}  // namespace norvane
