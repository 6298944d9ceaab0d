#include "datadec/transfer_syntax.hpp"

namespace norvane {

std::string_view UidText(std::string_view value) {
  return value.substr(0, value.find('\0'));
}

std::string_view UidText(std::span<const uint8_t> value) {
  return UidText(std::string_view(reinterpret_cast<const char*>(value.data()), value.size()));
}

DatasetEncoding EncodingOfTransferSyntax(std::string_view uid) {
  const std::string_view text = UidText(uid);
  if (text == kImplicitVRLittleEndian) return {.explicitVR = false, .bigEndian = false};
  if (text == kExplicitVRBigEndian) return {.explicitVR = true, .bigEndian = true};
  if (text == kDeflatedExplicitVRLittleEndian) {
    return {.explicitVR = true, .bigEndian = false, .deflated = true};
  }
  return {.explicitVR = true, .bigEndian = false};
}

void ApplyTransferSyntax(ElementReaderState& state, std::span<const uint8_t> value) {
  const std::string_view text = UidText(value);
  if (text == kImplicitVRLittleEndian) {
    state.explicitVR = false;
  } else if (text == kExplicitVRBigEndian) {
    state.explicitVR = true;
    state.bigEndian = true;
  }
}

}  // namespace norvane
