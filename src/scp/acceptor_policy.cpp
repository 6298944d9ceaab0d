#include "scp/acceptor_policy.hpp"

#include <algorithm>
#include <array>

#include "convert/supported_syntaxes.hpp"
#include "dictionary/storage_sop_classes.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

constexpr std::array<std::string_view, 24> kSupportedAbstractSyntaxes = {
    uid::kVerification,
    "1.2.840.10008.5.1.4.1.1.1",      // Computed Radiography Image Storage
    "1.2.840.10008.5.1.4.1.1.1.1",    // Digital X-Ray, for presentation
    "1.2.840.10008.5.1.4.1.1.1.1.1",  // Digital X-Ray, for processing
    "1.2.840.10008.5.1.4.1.1.1.2",    // Digital Mammography, for presentation
    "1.2.840.10008.5.1.4.1.1.1.2.1",  // Digital Mammography, for processing
    "1.2.840.10008.5.1.4.1.1.2",      // CT Image Storage
    uid::kUltrasoundMultiframeImageStorage,
    "1.2.840.10008.5.1.4.1.1.4",      // MR Image Storage
    "1.2.840.10008.5.1.4.1.1.6.1",    // Ultrasound Image Storage
    "1.2.840.10008.5.1.4.1.1.12.1",   // X-Ray Angiographic Image Storage
    "1.2.840.10008.5.1.4.1.1.12.2",   // X-Ray Radiofluoroscopic Image Storage
    "1.2.840.10008.5.1.4.1.1.20",     // Nuclear Medicine Image Storage
    "1.2.840.10008.5.1.4.1.1.128",    // Positron Emission Tomography Image Storage
    "1.2.840.10008.5.1.4.1.1.88.11",  // Basic Text SR
    "1.2.840.10008.5.1.4.1.1.88.22",  // Enhanced SR
    "1.2.840.10008.5.1.4.1.1.104.1",  // Encapsulated PDF Storage
    "1.2.840.10008.5.1.4.1.2.2.1",    // Study Root Query/Retrieve, FIND
    uid::kPatientRootQueryRetrieveFind,
    uid::kPatientRootQueryRetrieveMove,
    uid::kPatientRootQueryRetrieveGet,
    "1.2.840.10008.5.1.4.1.2.2.2",  // Study Root Query/Retrieve, MOVE
    uid::kStudyRootQueryRetrieveGet,
    uid::kSecondaryCaptureImageStorage,
};

// Accepted after the syntaxes above, in this order: the other compressed syntaxes the
// conversion reads, then the deflated data set.
constexpr std::array<std::string_view, 6> kFurtherSyntaxes = {
    kRleLossless,        kJpegLsLossless, kJpeg2000Lossless,
    kJpegLsNearLossless, kJpeg2000,       kDeflatedExplicitVRLittleEndian,
};

bool Proposed(const std::vector<UIDitem>& proposed, std::string_view transferSyntax) {
  return std::any_of(proposed.begin(), proposed.end(),
                     [&](const UIDitem& item) { return item.Text() == transferSyntax; });
}

}  // namespace

bool IsSupportedAbstractSyntax(std::string_view abstractSyntax) {
  return std::find(kSupportedAbstractSyntaxes.begin(), kSupportedAbstractSyntaxes.end(),
                   abstractSyntax) != kSupportedAbstractSyntaxes.end();
}

std::string_view ChooseTransferSyntax(std::string_view abstractSyntax,
                                      const std::vector<UIDitem>& proposed) {
  if ((abstractSyntax == uid::kUltrasoundMultiframeImageStorage ||
       abstractSyntax == uid::kSecondaryCaptureImageStorage) &&
      Proposed(proposed, uid::kJPEGBaseline)) {
    return uid::kJPEGBaseline;
  }
  for (std::string_view candidate : {uid::kJPEGLossless, uid::kImplicitVRLittleEndian,
                                     uid::kExplicitVRLittleEndian, uid::kJPEGBaseline}) {
    if (Proposed(proposed, candidate)) return candidate;
  }
  for (std::string_view candidate : kFurtherSyntaxes) {
    if (Proposed(proposed, candidate)) return candidate;
  }
  return {};
}

std::string_view ChooseSyntaxToSend(std::string_view /*abstractSyntax*/,
                                    const std::vector<UIDitem>& proposed) {
  for (std::string_view candidate : {uid::kExplicitVRLittleEndian, uid::kImplicitVRLittleEndian,
                                     uid::kJPEGLossless, uid::kJPEGBaseline}) {
    if (Proposed(proposed, candidate)) return candidate;
  }
  for (std::string_view candidate : kFurtherSyntaxes) {
    if (Proposed(proposed, candidate)) return candidate;
  }
  return {};
}

AcceptorPolicy StorageAcceptorPolicy() {
  return StorageAcceptorPolicy(AcceptedServices{});
}

AcceptorPolicy StorageAcceptorPolicy(AcceptedServices services) {
  const auto serves = [services](std::string_view abstractSyntax) {
    return IsSupportedAbstractSyntax(abstractSyntax) ||
           (services.allStorage && IsStorageSOPClass(abstractSyntax)) ||
           (services.worklist && abstractSyntax == uid::kModalityWorklistFind);
  };
  AcceptorPolicy policy;
  policy.servesAbstractSyntax = serves;
  policy.chooseTransferSyntax = ChooseTransferSyntax;
  // A C-GET requester receives the objects of the storage classes it may also send.
  policy.grantsRequesterScpRole = [serves](std::string_view sopClass) {
    return IsStorageSOPClass(sopClass) && serves(sopClass);
  };
  policy.chooseSyntaxToSend = ChooseSyntaxToSend;
  return policy;
}

}  // namespace norvane
