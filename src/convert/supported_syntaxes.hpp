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

enum class PixelEncoding : unsigned char {
  kNative,        // uncompressed, in the syntax's byte order
  kJpegBaseline,  // encapsulated, one baseline stream per frame
  kJpegLossless,  // encapsulated, one lossless (selection value 1) stream per frame
};

struct TransferSyntax {
  std::string_view uid;
  bool explicitVR = true;
  ByteOrder order = ByteOrder::kLittleEndian;
  PixelEncoding pixels = PixelEncoding::kNative;

  bool BigEndian() const { return order == ByteOrder::kBigEndian; }
  bool Encapsulated() const { return pixels != PixelEncoding::kNative; }
};

// The five supported syntaxes: implicit VR little endian, explicit VR little endian,
// explicit VR big endian, JPEG baseline, JPEG lossless.
std::span<const TransferSyntax> SupportedTransferSyntaxes();

// One of the five supported syntaxes, or nullopt. The UID compares up to its first NUL.
std::optional<TransferSyntax> FindTransferSyntax(std::string_view uid);

}  // namespace norvane
