#include "dimse/find_request.hpp"

#include "dimse/query_identifier.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/dimse_response.hpp"
#include "net/unique_ids.hpp"

namespace norvane {

bool IsPendingStatus(uint16_t status) {
  return status == kStatusPending || status == kStatusPendingWarning;
}

bool CarriesRecord(const ServiceResult& response) {
  return response.status && *response.status != kStatusSuccess;
}

TagList FindRQCommand(std::string_view sopClass, uint16_t messageID) {
  TagList elements;
  elements.push_back(GenerateUIDTag(tag::kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCFindRQ));
  elements.push_back(CommandUS(tag::kMessageID, messageID));
  elements.push_back(CommandUS(tag::kPriority, kPriorityMedium));
  elements.push_back(CommandUS(tag::kCommandDataSetType, kDataSetPresent));
  return CommandSet(std::move(elements));
}

bool SendFindCommand(PDU_Service& pdu, const TagList& identifier, std::string_view sopClass) {
  return SendFindRequest(pdu, identifier, sopClass, NextMessageID());
}

bool SendFindRequest(PDU_Service& pdu, const TagList& identifier, std::string_view sopClass,
                     uint16_t messageID) {
  const TagList command = FindRQCommand(sopClass, messageID);
  if (!pdu.WriteMessage(command, sopClass, kCommandMessage)) return false;
  if (identifier.empty()) return true;
  if (pdu.WriteMessage(identifier, sopClass, kDataSetMessage)) return true;
  pdu.AbortAssociation();
  return false;
}

ServiceResult ReadFindResponse(PDU_Service& pdu, TagList& identifier) {
  DimseResponse response;
  ServiceResult read = ReadDimseResponse(pdu, kCFindRSP, response);
  if (!read) return read;
  if (response.dataSetFollows && !pdu.ReadMessage(identifier)) {
    return MessageNotRead(pdu, "identifier after the C-FIND-RSP");
  }
  if (IsPendingStatus(response.status)) return read;
  return FinalStatusResult(response);
}

template <class Record>
bool WriteFindRQ(PDU_Service& pdu, const Record& query, std::string_view sopClass) {
  TagList identifier;
  BuildIdentifier(query, identifier);
  return SendFindCommand(pdu, identifier, sopClass);
}

template <class Record>
ServiceResult ReadFindRSP(PDU_Service& pdu, std::vector<Record>& results) {
  TagList identifier;
  ServiceResult response = ReadFindResponse(pdu, identifier);
  if (CarriesRecord(response)) {
    Record record;
    ParseResponse(record, identifier);
    results.push_back(std::move(record));
  }
  return response;
}

ServiceResult ReadFindIdentifier(PDU_Service& pdu, std::vector<TagList>& identifiers) {
  TagList identifier;
  ServiceResult response = ReadFindResponse(pdu, identifier);
  if (CarriesRecord(response)) identifiers.push_back(std::move(identifier));
  return response;
}

template bool WriteFindRQ(PDU_Service&, const StudyInfo&, std::string_view);
template bool WriteFindRQ(PDU_Service&, const SeriesInfo&, std::string_view);
template bool WriteFindRQ(PDU_Service&, const ImageInfo&, std::string_view);
template ServiceResult ReadFindRSP(PDU_Service&, std::vector<StudyInfo>&);
template ServiceResult ReadFindRSP(PDU_Service&, std::vector<SeriesInfo>&);
template ServiceResult ReadFindRSP(PDU_Service&, std::vector<ImageInfo>&);

}  // namespace norvane
