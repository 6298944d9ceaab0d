#include "dimse/worklist_request.hpp"

#include <optional>
#include <string>

#include "datadec/transfer_syntax.hpp"
#include "dimse/find_request.hpp"
#include "dimse/worklist_identifier.hpp"

namespace norvane {
namespace {

// How the data sets of the last message's context are encoded.
ElementReaderState ResponseEncoding(const PDU_Service& pdu, uint8_t contextID) {
  ElementReaderState state;
  if (const std::optional<std::string> syntax = pdu.GetTransferSyntax(contextID)) {
    const DatasetEncoding encoding = EncodingOfTransferSyntax(UidText(*syntax));
    state.explicitVR = encoding.explicitVR;
    state.bigEndian = encoding.bigEndian;
  }
  return state;
}

}  // namespace

ServiceResult WriteWLFindRQ(PDU_Service& pdu, const TWorklistItem& query,
                            std::string_view sopClass) {
  TagList identifier;
  BuildWorklistIdentifier(query, identifier);
  return SendFindCommand(pdu, identifier, sopClass);
}

ServiceResult ReadWLFindRSP(PDU_Service& pdu, std::vector<TWorklistItem>& results) {
  TagList identifier;
  uint8_t contextID = 0;
  ServiceResult response = ReadFindResponse(pdu, identifier, &contextID);
  if (CarriesRecord(response)) {
    TWorklistItem item;
    ParseWorklistResponse(item, identifier, ResponseEncoding(pdu, contextID));
    results.push_back(std::move(item));
  }
  return response;
}

}  // namespace norvane
