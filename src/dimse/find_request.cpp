#include "dimse/find_request.hpp"

#include "dimse/dimse_command.hpp"
#include "dimse/dimse_exchange.hpp"
#include "dimse/query_identifier.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {

bool IsPendingStatus(uint16_t status) {
  return status == kStatusPending || status == kStatusPendingWarning;
}

bool CarriesRecord(const ServiceResult& response) {
  return response.status && *response.status != kStatusSuccess;
}

ServiceResult SendFindCommand(PDU_Service& pdu, const TagList& identifier,
                              std::string_view sopClass) {
  return SendFindRequest(pdu, identifier, sopClass, pdu.NextMessageID());
}

ServiceResult SendFindRequest(PDU_Service& pdu, const TagList& identifier,
                              std::string_view sopClass, uint16_t messageID) {
  return SendCommand(pdu, Request(kCFindRQ, sopClass, messageID, true), &identifier);
}

ServiceResult ReadFindResponse(PDU_Service& pdu, TagList& identifier, uint8_t* contextID) {
  DimseCommand response;
  ServiceResult read = ReadResponse(pdu, kCFindRSP, response);
  if (!read) return read;
  if (response.HasDataSet()) {
    const MessageRead data = pdu.ReadMessage(identifier);
    if (!data) return MessageNotRead(data, "identifier after the C-FIND-RSP");
    if (contextID != nullptr) *contextID = data.contextID;
  }
  if (IsPendingStatus(*response.status)) return read;
  return FinalStatusResult(response);
}

template <class Record>
ServiceResult WriteFindRQ(PDU_Service& pdu, const Record& query, std::string_view sopClass) {
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

template ServiceResult WriteFindRQ(PDU_Service&, const StudyInfo&, std::string_view);
template ServiceResult WriteFindRQ(PDU_Service&, const SeriesInfo&, std::string_view);
template ServiceResult WriteFindRQ(PDU_Service&, const ImageInfo&, std::string_view);
template ServiceResult ReadFindRSP(PDU_Service&, std::vector<StudyInfo>&);
template ServiceResult ReadFindRSP(PDU_Service&, std::vector<SeriesInfo>&);
template ServiceResult ReadFindRSP(PDU_Service&, std::vector<ImageInfo>&);

}  // namespace norvane
