#include "dimse/move_request.hpp"

#include "dimse/query_identifier.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/unique_ids.hpp"

namespace norvane {

TagList MoveRQCommand(std::string_view sopClass, uint16_t messageID,
                      std::string_view moveDestination) {
  TagList elements;
  elements.push_back(GeneratePaddedTag(tag::kAffectedSOPClassUID, "UI", sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCMoveRQ));
  elements.push_back(CommandUS(tag::kMessageID, messageID));
  elements.push_back(GeneratePaddedTag(tag::kMoveDestination, "AE", moveDestination));
  elements.push_back(CommandUS(tag::kPriority, kPriorityMedium));
  elements.push_back(CommandUS(tag::kCommandDataSetType, kDataSetPresent));
  return CommandSet(std::move(elements));
}

bool SendMoveCommand(PDU_Service& pdu, const TagList& identifier, std::string_view sopClass,
                     std::string_view moveDestination) {
  return SendMoveRequest(pdu, identifier, sopClass, moveDestination, NextMessageID());
}

bool SendMoveRequest(PDU_Service& pdu, const TagList& identifier, std::string_view sopClass,
                     std::string_view moveDestination, uint16_t messageID) {
  const TagList command = MoveRQCommand(sopClass, messageID, moveDestination);
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
    if (!pdu.ReadMessage(dropped)) return MessageNotRead(pdu, "data set after the C-MOVE-RSP");
  }
  if (response.status == kStatusPending) return read;
  return FinalStatusResult(response);
}

}  // namespace norvane
