#include "convert/supported_syntaxes.hpp"

#include <array>

namespace norvane {
namespace {

constexpr ByteOrder kLittle = ByteOrder::kLittleEndian;

constexpr std::array<TransferSyntax, 11> kSupported{{
    {kImplicitVRLittleEndian, false, kLittle, PixelEncoding::kNative},
    {kExplicitVRLittleEndian, true, kLittle, PixelEncoding::kNative},
    {kExplicitVRBigEndian, true, ByteOrder::kBigEndian, PixelEncoding::kNative},
    {kJpegBaselineProcess1, true, kLittle, PixelEncoding::kJpegBaseline},
    {kJpegLosslessSV1, true, kLittle, PixelEncoding::kJpegLossless},
    {kRleLossless, true, kLittle, PixelEncoding::kRle},
    {kJpegLsLossless, true, kLittle, PixelEncoding::kJpegLsLossless},
    {kJpegLsNearLossless, true, kLittle, PixelEncoding::kJpegLsNearLossless},
    {kJpeg2000Lossless, true, kLittle, PixelEncoding::kJpeg2000Lossless},
    {kJpeg2000, true, kLittle, PixelEncoding::kJpeg2000},
    {kDeflatedExplicitVRLittleEndian, true, kLittle, PixelEncoding::kNative, true},
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
