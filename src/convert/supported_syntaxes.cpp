#include "convert/supported_syntaxes.hpp"

#include <array>

namespace norvane {
namespace {

constexpr std::array<TransferSyntax, 5> kSupported{{
    {kImplicitVRLittleEndian, false, ByteOrder::kLittleEndian, PixelEncoding::kNative},
    {kExplicitVRLittleEndian, true, ByteOrder::kLittleEndian, PixelEncoding::kNative},
    {kExplicitVRBigEndian, true, ByteOrder::kBigEndian, PixelEncoding::kNative},
    {kJpegBaselineProcess1, true, ByteOrder::kLittleEndian, PixelEncoding::kJpegBaseline},
    {kJpegLosslessSV1, true, ByteOrder::kLittleEndian, PixelEncoding::kJpegLossless},
}};

}  // namespace

std::span<const TransferSyntax> SupportedTransferSyntaxes() {
  return kSupported;
}

std::optional<TransferSyntax> FindTransferSyntax(std::string_view uid) {
  const std::string_view text = UidText(uid);
  for (const TransferSyntax& syntax : kSupported) {
    if (syntax.uid == text) return syntax;
  }
  return std::nullopt;
}

}  // namespace norvane
