#pragma once

// The transfer syntaxes the conversion reads and writes, and what each one means for the
// element encoding and the pixel data.

#include <optional>
#include <span>
#include <string_view>

#include "datadec/transfer_syntax.hpp"
#include "elements/byte_order.hpp"

namespace norvane {

inline constexpr std::string_view kJpegBaselineProcess1 = "1.2.840.10008.1.2.4.50";
inline constexpr std::string_view kJpegLosslessSV1 = "1.2.840.10008.1.2.4.70";
inline constexpr std::string_view kRleLossless = "1.2.840.10008.1.2.5";
inline constexpr std::string_view kJpegLsLossless = "1.2.840.10008.1.2.4.80";
inline constexpr std::string_view kJpegLsNearLossless = "1.2.840.10008.1.2.4.81";
inline constexpr std::string_view kJpeg2000Lossless = "1.2.840.10008.1.2.4.90";
inline constexpr std::string_view kJpeg2000 = "1.2.840.10008.1.2.4.91";

// How a syntax holds pixel data: native, or encapsulated with one stream per frame.
enum class PixelEncoding : unsigned char {
  kNative,              // uncompressed, in the syntax's byte order
  kJpegBaseline,        // baseline (process 1)
  kJpegLossless,        // lossless, selection value 1
  kRle,                 // RLE Lossless
  kJpegLsLossless,      // JPEG-LS, NEAR 0
  kJpegLsNearLossless,  // JPEG-LS, NEAR above 0
  kJpeg2000Lossless,    // JPEG 2000, reversible wavelet
  kJpeg2000,            // JPEG 2000, irreversible wavelet
};

struct TransferSyntax {
  std::string_view uid;
  bool explicitVR = true;
  ByteOrder order = ByteOrder::kLittleEndian;
  PixelEncoding pixels = PixelEncoding::kNative;
  bool deflated = false;  // the whole data set is deflated after the meta group

  bool BigEndian() const { return order == ByteOrder::kBigEndian; }
  bool Encapsulated() const { return pixels != PixelEncoding::kNative; }
};

// The supported syntaxes: implicit VR little endian, explicit VR little endian, explicit VR
// big endian, JPEG baseline, JPEG lossless, RLE Lossless, JPEG-LS lossless and
// near-lossless, JPEG 2000 lossless and lossy, deflated explicit VR little endian.
std::span<const TransferSyntax> SupportedTransferSyntaxes();

// One of the supported syntaxes, or nullopt. The UID compares up to its first NUL.
std::optional<TransferSyntax> FindTransferSyntax(std::string_view uid);

}  // namespace norvane
