#include "dimse/find_request.hpp"

#include "dimse/query_identifier.hpp"
#include "elements/tag_list.hpp"
#include "net/command_set.hpp"
#include "net/unique_ids.hpp"

namespace norvane {

bool IsPendingStatus(int status) {
  return status == kStatusPending || status == kStatusPendingWarning;
}

std::string DescribeFindStatus(int status) {
  if (status == kNoFindResponse) return "no response";
  if (status == kStatusSuccess) return "Success";
  if (status == kStatusPending) return "Pending";
  if (status == kStatusPendingWarning) return "Pending, optional keys not supported";
  switch (status) {
    case 0xA700:
      return "Refused: out of resources";
    case 0xA900:
      return "Failed: identifier does not match SOP class";
    case 0xFE00:
      return "Cancel: matching terminated";
    case 0x0122:
      return "Refused: SOP class not supported";
    default:
      break;
  }
  if ((status & 0xF000) == 0xC000) return "Failed: unable to process";
  return "Failed";
}

TagList FindRQCommand(std::string_view sopClass, uint16_t messageID) {
  TagList elements;
  elements.push_back(GenerateUIDTag(kCommandGroup, kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(kCommandField, kCFindRQ));
  elements.push_back(CommandUS(kMessageID, messageID));
  elements.push_back(CommandUS(kPriority, kPriorityMedium));
  elements.push_back(CommandUS(kCommandDataSetType, kDataSetPresent));
  return CommandSet(std::move(elements));
}

bool SendFindCommand(PDU_Service& pdu, const TagList& identifier, std::string_view sopClass) {
  const TagList command = FindRQCommand(sopClass, NextMessageID());
  if (!pdu.WriteMessage(command, sopClass, kCommandMessage)) return false;
  if (identifier.empty()) return true;
  if (pdu.WriteMessage(identifier, sopClass, kDataSetMessage)) return true;
  pdu.AbortAssociation();
  return false;
}

int ReadFindResponse(PDU_Service& pdu, TagList& identifier) {
  TagList command;
  if (!pdu.ReadMessage(command)) return kNoFindResponse;
  if (GetTagUS(command, kCommandGroup, kCommandField) != kCFindRSP) return kNoFindResponse;
  if (GetTagUS(command, kCommandGroup, kCommandDataSetType) != kNoDataSet) {
    if (!pdu.ReadMessage(identifier)) return kNoFindResponse;
  }
  return GetTagUS(command, kCommandGroup, kStatus);
}

template <class Record>
bool WriteFindRQ(PDU_Service& pdu, const Record& query, std::string_view sopClass) {
  TagList identifier;
  BuildIdentifier(query, identifier);
  return SendFindCommand(pdu, identifier, sopClass);
}

template <class Record>
int ReadFindRSP(PDU_Service& pdu, std::vector<Record>& results) {
  TagList identifier;
  const int status = ReadFindResponse(pdu, identifier);
  if (status != kNoFindResponse && status != kStatusSuccess) {
    Record record;
    ParseResponse(record, identifier);
    results.push_back(std::move(record));
  }
  return status;
}

template bool WriteFindRQ(PDU_Service&, const StudyInfo&, std::string_view);
template bool WriteFindRQ(PDU_Service&, const SeriesInfo&, std::string_view);
template bool WriteFindRQ(PDU_Service&, const ImageInfo&, std::string_view);
template int ReadFindRSP(PDU_Service&, std::vector<StudyInfo>&);
template int ReadFindRSP(PDU_Service&, std::vector<SeriesInfo>&);
template int ReadFindRSP(PDU_Service&, std::vector<ImageInfo>&);

}  // namespace norvane
