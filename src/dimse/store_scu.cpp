#include "dimse/store_scu.hpp"

#include "datadec/dicom_header_reader.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/transfer_syntax.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/non_image_sop_classes.hpp"
#include "dimse/store_contexts.hpp"
#include "dimse/store_request.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"

namespace norvane {
namespace {

constexpr size_t kMaxUIDLength = 64;
constexpr const char* kUIDTooLongReason =
    "the file's SOP Class UID or Transfer Syntax UID is longer than 64 characters";

void FailLocally(StoreResult& result, std::string reason) {
  result.Set(ServiceResult::Failed(ServiceFailure::kLocal, std::move(reason)));
}

}  // namespace

std::string_view PreferredSyntaxFor(std::string_view sopClass,
                                    std::string_view preferredTransferSyntax) {
  return IsNonImageSOPClass(sopClass) ? std::string_view() : preferredTransferSyntax;
}

bool LoadObjectForStore(const std::string& fileName, TagList& dataset, StoreResult& result) {
  // Large values stay in the file until they are sent: sent unchanged, they are read a
  // PDU at a time; converted, they are read whole first.
  DicomFileContent content = DICOMFile(fileName, LargeValues::kLeftInFile);
  result.readStatus = content.status;
  const TagRecord* syntax = FindTopLevel(content.meta, tag::kTransferSyntaxUID);
  if (!content.Ok()) {
    FailLocally(result, "the file " + std::string(Describe(content.status)));
    return false;
  }
  if (syntax == nullptr) {
    FailLocally(result, "the file has no Transfer Syntax UID (0002,0010)");
    return false;
  }
  result.fileSyntax = std::string(UidText(ValueBytes(*syntax)));
  if (result.fileSyntax.size() > kMaxUIDLength) {
    FailLocally(result, kUIDTooLongReason);
    return false;
  }
  dataset = std::move(content.dataset);
  result.sopClass = TopLevelText(dataset, tag::kSOPClassUID);
  result.Set(ServiceResult::Success());
  return true;
}

std::optional<std::vector<ContextProposal>> StoreContextsFromHeader(
    const std::string& fileName, std::string_view preferredTransferSyntax, bool convert) {
  TagList header;
  std::optional<TagRecord> pixelData;
  if (!DICOMHeader(fileName, header, pixelData) || !pixelData) return std::nullopt;
  const TagRecord* syntax = FindTopLevel(header, tag::kTransferSyntaxUID);
  if (syntax == nullptr) return std::nullopt;
  const std::string fileSyntax(UidText(ValueBytes(*syntax)));
  const std::string sopClass = TopLevelText(header, tag::kSOPClassUID);
  const auto usable = [](const std::string& uid) {
    return !uid.empty() && uid.size() <= kMaxUIDLength;
  };
  if (!usable(fileSyntax) || !usable(sopClass)) return std::nullopt;
  return StoreContexts(SendableSyntaxes(header, *pixelData, fileSyntax, convert), sopClass,
                       fileSyntax, preferredTransferSyntax);
}

bool UsableSOPClass(StoreResult& result) {
  if (result.sopClass.empty()) {
    FailLocally(result, "the file has no SOP Class UID (0008,0016)");
    return false;
  }
  if (result.sopClass.size() > kMaxUIDLength) {
    FailLocally(result, kUIDTooLongReason);
    return false;
  }
  return true;
}

void ExchangeStore(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                   bool convert, StoreResult& result, std::string_view preferredTransferSyntax) {
  const StoreRequestResult request =
      SendStoreRQ(pdu, dataset, sopClass, result.fileSyntax, convert, preferredTransferSyntax);
  result.associated = true;
  result.acceptedSyntax = request.acceptedSyntax;
  result.converted = request.converted;
  result.conversion = request.conversion;
  result.Set(request.Ok() ? ReadStoreRSP(pdu) : ServiceResult(request));
}

StoreResult StoreSCU(const AssociationParameters& peer, const std::string& fileName,
                     std::string_view preferredTransferSyntax, bool convert) {
  StoreResult result;
  TagList dataset;
  if (!LoadObjectForStore(fileName, dataset, result) || !UsableSOPClass(result)) return result;

  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  const std::vector<ContextProposal> contexts =
      StoreContexts(dataset, result.sopClass, result.fileSyntax, preferredTransferSyntax, convert);
  const ServiceResult association = WithProposal(OpenAssoc(pdu, peer, contexts), contexts, convert);
  if (association) {
    ExchangeStore(pdu, dataset, result.sopClass, convert, result, preferredTransferSyntax);
  } else {
    result.Set(association);
  }
  CloseAssoc(pdu);
  return result;
}

}  // namespace norvane
