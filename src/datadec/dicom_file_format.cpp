#include "datadec/dicom_file_format.hpp"

#include <cstring>

#include "elements/tags.hpp"

namespace norvane {

bool HasDicmPrefix(std::span<const uint8_t> fileStart) {
  return fileStart.size() >= kMetaGroupStart &&
         std::memcmp(fileStart.data() + kPreambleSize, kDicmPrefix.data(), kDicmPrefix.size()) == 0;
}

std::string_view MetaElementVR(Tag metaTag) {
  switch (metaTag.Value()) {
    case tag::kFileMetaInformationGroupLength.Value():
      return "UL";
    case tag::kFileMetaInformationVersion.Value():
      return "OB";
    case tag::kMediaStorageSOPClassUID.Value():
    case tag::kMediaStorageSOPInstanceUID.Value():
    case tag::kTransferSyntaxUID.Value():
    case tag::kImplementationClassUID.Value():
    case tag::kPrivateInformationCreatorUID.Value():
      return "UI";
    case tag::kImplementationVersionName.Value():
      return "SH";
    case tag::kSourceApplicationEntityTitle.Value():
      return "AE";
    case tag::kPrivateInformation.Value():
      return "OB";
    default:
      return {};
  }
}

}  // namespace norvane
