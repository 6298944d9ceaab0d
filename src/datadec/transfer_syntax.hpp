#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "datadec/element_codec.hpp"

namespace norvane {

inline constexpr std::string_view kImplicitVRLittleEndian = "1.2.840.10008.1.2";
inline constexpr std::string_view kExplicitVRLittleEndian = "1.2.840.10008.1.2.1";
inline constexpr std::string_view kExplicitVRBigEndian = "1.2.840.10008.1.2.2";
inline constexpr std::string_view kDeflatedExplicitVRLittleEndian = "1.2.840.10008.1.2.1.99";

// A UID value as the text before its first NUL, so that a NUL pad is no part of it (a space
// pad is, and then the UID matches nothing).
std::string_view UidText(std::string_view value);
std::string_view UidText(std::span<const uint8_t> value);

// The encoding a transfer syntax UID names: implicit VR little endian for
// "1.2.840.10008.1.2", explicit VR big endian for "1.2.840.10008.1.2.2", deflated explicit VR
// little endian for "1.2.840.10008.1.2.1.99", explicit VR little endian for every other UID
// (the encapsulated syntaxes included).
DatasetEncoding EncodingOfTransferSyntax(std::string_view uid);

// Sets a reader's flags from the value of a Transfer Syntax UID (0002,0010) element.
void ApplyTransferSyntax(ElementReaderState& state, std::span<const uint8_t> value);

}  // namespace norvane
