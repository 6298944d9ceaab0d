#include "datadec/dicom_file_format.hpp"

#include <cstring>

namespace norvane {

bool HasDicmPrefix(std::span<const uint8_t> fileStart) {
  return fileStart.size() >= kMetaGroupStart &&
         std::memcmp(fileStart.data() + kPreambleSize, kDicmPrefix.data(), kDicmPrefix.size()) == 0;
}

std::string_view MetaElementVR(uint16_t element) {
  switch (element) {
    case 0x0000:  // File Meta Information Group Length
      return "UL";
    case 0x0001:  // File Meta Information Version
      return "OB";
    case 0x0002:  // Media Storage SOP Class UID
    case 0x0003:  // Media Storage SOP Instance UID
    case 0x0010:  // Transfer Syntax UID
    case 0x0012:  // Implementation Class UID
    case 0x0100:  // Private Information Creator UID
      return "UI";
    case 0x0013:  // Implementation Version Name
      return "SH";
    case 0x0016:  // Source Application Entity Title
      return "AE";
    case 0x0102:  // Private Information
      return "OB";
    default:
      return {};
  }
}

}  // namespace norvane
