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

bool IsPending(const ServiceResult& response) {
  return response.Ok() && response.status && IsPendingStatus(*response.status);
}

bool CarriesRecord(const ServiceResult& response) {
  return response.status && *response.status != kStatusSuccess;
}

std::string DescribeFindStatus(uint16_t status) {
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
  elements.push_back(GenerateUIDTag(tag::kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCFindRQ));
  elements.push_back(CommandUS(tag::kMessageID, messageID));
  elements.push_back(CommandUS(tag::kPriority, kPriorityMedium));
  elements.push_back(CommandUS(tag::kCommandDataSetType, kDataSetPresent));
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

ServiceResult ReadFindResponse(PDU_Service& pdu, TagList& identifier) {
  DimseResponse response;
  ServiceResult read = ReadDimseResponse(pdu, kCFindRSP, response);
  if (!read) return read;
  if (response.dataSetFollows && !pdu.ReadMessage(identifier)) {
    return ServiceResult::Failed(ServiceFailure::kNoResponse,
                                 "the association ended before the C-FIND-RSP's identifier");
  }
  if (response.status == kStatusSuccess || IsPendingStatus(response.status)) return read;
  return ServiceResult::Failed(ServiceFailure::kStatus,
                               "the peer ended the query with status " +
                                   StatusText(response.status) + " (" +
                                   DescribeFindStatus(response.status) + ")",
                               response.status);
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

template bool WriteFindRQ(PDU_Service&, const StudyInfo&, std::string_view);
template bool WriteFindRQ(PDU_Service&, const SeriesInfo&, std::string_view);
template bool WriteFindRQ(PDU_Service&, const ImageInfo&, std::string_view);
template ServiceResult ReadFindRSP(PDU_Service&, std::vector<StudyInfo>&);
template ServiceResult ReadFindRSP(PDU_Service&, std::vector<SeriesInfo>&);
template ServiceResult ReadFindRSP(PDU_Service&, std::vector<ImageInfo>&);

}  // namespace norvane
