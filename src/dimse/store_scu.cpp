#include "dimse/store_scu.hpp"

#include <memory>

#include "datadec/element_encoding.hpp"
#include "datadec/transfer_syntax.hpp"
#include "dimse/non_image_sop_classes.hpp"
#include "dimse/store_request.hpp"
#include "elements/tag_list.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/command_set.hpp"

namespace norvane {
namespace {

constexpr uint16_t kSOPClassUIDGroup = 0x0008;
constexpr uint16_t kSOPClassUIDElement = 0x0016;
constexpr uint16_t kTransferSyntaxUIDElement = 0x0010;
constexpr size_t kMaxUIDLength = 64;

StoreOutcome OutcomeOfRequest(StoreRequestStatus status) {
  switch (status) {
    case StoreRequestStatus::kSent:
      break;
    case StoreRequestStatus::kNoPresentationContext:
      return StoreOutcome::kNoPresentationContext;
    case StoreRequestStatus::kConversionOff:
      return StoreOutcome::kConversionOff;
    case StoreRequestStatus::kNotConverted:
      return StoreOutcome::kNotConverted;
    case StoreRequestStatus::kNotSent:
      return StoreOutcome::kNotSent;
  }
  return StoreOutcome::kNotSent;
}

}  // namespace

std::string_view PreferredSyntaxFor(std::string_view sopClass,
                                    std::string_view preferredTransferSyntax) {
  return IsNonImageSOPClass(sopClass) ? std::string_view() : preferredTransferSyntax;
}

bool LoadObjectForStore(const std::string& fileName, TagList& dataset, StoreResult& result) {
  DicomFileContent content = DICOMFile(fileName);
  result.readStatus = content.status;
  const TagRecord* syntax = FindTag(content.meta, kMetaGroup, kTransferSyntaxUIDElement);
  if (!content.Ok() || syntax == nullptr) {
    result.outcome = StoreOutcome::kUnreadableFile;
    return false;
  }
  result.fileSyntax = std::string(UidText(ValueBytes(*syntax)));
  if (result.fileSyntax.size() > kMaxUIDLength) {
    result.outcome = StoreOutcome::kUIDTooLong;
    return false;
  }
  dataset = std::move(content.dataset);
  result.sopClass = GetTagText(dataset, kSOPClassUIDGroup, kSOPClassUIDElement);
  return true;
}

bool UsableSOPClass(StoreResult& result) {
  if (result.sopClass.empty()) {
    result.outcome = StoreOutcome::kNoSOPClass;
    return false;
  }
  if (result.sopClass.size() > kMaxUIDLength) {
    result.outcome = StoreOutcome::kUIDTooLong;
    return false;
  }
  return true;
}

void ExchangeStore(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                   bool convert, StoreResult& result) {
  const StoreRequestResult request =
      SendStoreRQ(pdu, dataset, sopClass, result.fileSyntax, convert);
  result.acceptedSyntax = request.acceptedSyntax;
  result.converted = request.converted;
  result.conversion = request.conversion;
  if (!request.Sent()) {
    result.outcome = OutcomeOfRequest(request.status);
    return;
  }
  result.status = ReadStoreRSP(pdu);
  if (result.status == kNoStoreResponse) {
    result.outcome = StoreOutcome::kNoResponse;
  } else if (result.status == kUnexpectedStoreResponse) {
    result.outcome = StoreOutcome::kUnexpectedResponse;
  } else {
    result.outcome =
        result.status == kStatusSuccess ? StoreOutcome::kStored : StoreOutcome::kFailureStatus;
  }
}

StoreResult StoreSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
                     std::string_view calledApTitle, const std::string& fileName,
                     std::string_view preferredTransferSyntax, bool convert) {
  StoreResult result;
  TagList dataset;
  if (!LoadObjectForStore(fileName, dataset, result) || !UsableSOPClass(result)) return result;

  std::unique_ptr<PDU_Service> pdu = NewPDU();
  if (LogLevel() > 1) pdu->SetTrace(true);
  if (OpenAssoc_Ex(*pdu, host, port, callingApTitle, calledApTitle, result.sopClass,
                   result.fileSyntax,
                   PreferredSyntaxFor(result.sopClass, preferredTransferSyntax))) {
    ExchangeStore(*pdu, dataset, result.sopClass, convert, result);
  } else {
    result.outcome = StoreOutcome::kAssociationFailed;
  }
  CloseAssoc(*pdu);
  DeletePDU(std::move(pdu));
  return result;
}

}  // namespace norvane
