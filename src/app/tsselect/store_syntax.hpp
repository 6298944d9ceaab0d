#pragma once

// The transfer syntaxes "Store to PACS" can ask for, as the transfer syntax dialog lists
// them.

#include <array>
#include <string_view>

#include "convert/supported_syntaxes.hpp"
#include "net/uids.hpp"

namespace norvane {

struct StoreSyntaxEntry {
  std::string_view text;  // what the list shows
  std::string_view uid;   // what the storage SCU is asked for; empty: its default
};

inline constexpr std::array<StoreSyntaxEntry, 10> kStoreSyntaxEntries{{
    {"little Endian, Implicit VR", ""},
    {"little Endian, Explicit VR", uid::kExplicitVRLittleEndian},
    {"Big Endian, Explicit VR", uid::kExplicitVRBigEndian},
    {"JPEG Lossless, Explicit VR", uid::kJPEGLossless},
    {"RLE Lossless", kRleLossless},
    {"JPEG-LS Lossless", kJpegLsLossless},
    {"JPEG-LS Near-Lossless", kJpegLsNearLossless},
    {"JPEG 2000 Lossless", kJpeg2000Lossless},
    {"JPEG 2000", kJpeg2000},
    {"Deflated, Explicit VR", kDeflatedExplicitVRLittleEndian},
}};

// What the list shows while nothing is selected.
inline constexpr std::string_view kStoreSyntaxPrompt = "TransferSyntax";

// The transfer syntax UID for a position in the list: empty for the first entry and for
// no valid choice (-1 or past the list).
std::string_view StoreSyntaxUID(int StoreSyntaxChoice);

}  // namespace norvane
