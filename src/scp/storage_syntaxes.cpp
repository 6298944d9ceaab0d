#include "scp/storage_syntaxes.hpp"

#include "scp/service_handler.hpp"

#include <algorithm>
#include <iterator>

#include "convert/supported_syntaxes.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

constexpr std::string_view kAcceptedStorageClasses[] = {
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
    uid::kSecondaryCaptureImageStorage,
};

// Accepted after the syntaxes of the choices below, in this order: the other compressed
// syntaxes the conversion reads, then the deflated data set.
constexpr std::string_view kFurtherSyntaxes[] = {
    kRleLossless,        kJpegLsLossless, kJpeg2000Lossless,
    kJpegLsNearLossless, kJpeg2000,       kDeflatedExplicitVRLittleEndian,
};

std::string_view FurtherProposed(const std::vector<UIDitem>& proposed) {
  for (std::string_view candidate : kFurtherSyntaxes) {
    if (!FirstProposed(proposed, {candidate}).empty()) return candidate;
  }
  return {};
}

}  // namespace

bool IsAcceptedStorageClass(std::string_view sopClass) {
  return std::find(std::begin(kAcceptedStorageClasses), std::end(kAcceptedStorageClasses),
                   sopClass) != std::end(kAcceptedStorageClasses);
}

std::string_view ChooseTransferSyntax(std::string_view abstractSyntax,
                                      const std::vector<UIDitem>& proposed) {
  if ((abstractSyntax == uid::kUltrasoundMultiframeImageStorage ||
       abstractSyntax == uid::kSecondaryCaptureImageStorage) &&
      !FirstProposed(proposed, {uid::kJPEGBaseline}).empty()) {
    return uid::kJPEGBaseline;
  }
  const std::string_view first = FirstProposed(
      proposed, {uid::kJPEGLossless, uid::kImplicitVRLittleEndian, uid::kExplicitVRLittleEndian,
                 uid::kJPEGBaseline});
  return first.empty() ? FurtherProposed(proposed) : first;
}

std::string_view ChooseSyntaxToSend(std::string_view /*abstractSyntax*/,
                                    const std::vector<UIDitem>& proposed) {
  const std::string_view first = FirstProposed(
      proposed, {uid::kExplicitVRLittleEndian, uid::kImplicitVRLittleEndian, uid::kJPEGLossless,
                 uid::kJPEGBaseline});
  return first.empty() ? FurtherProposed(proposed) : first;
}

}  // namespace norvane
