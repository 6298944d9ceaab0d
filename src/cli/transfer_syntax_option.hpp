#pragma once

#include <optional>
#include <string>

namespace norvane::cli {

// The short names a --ts value may use, one per line, each with the UID it stands for.
inline constexpr const char* kTransferSyntaxAliasHelp =
    "             implicit      1.2.840.10008.1.2       Implicit VR Little Endian\n"
    "             explicit      1.2.840.10008.1.2.1     Explicit VR Little Endian\n"
    "             big           1.2.840.10008.1.2.2     Explicit VR Big Endian\n"
    "             deflate       1.2.840.10008.1.2.1.99  Deflated Explicit VR Little Endian\n"
    "             lossless      1.2.840.10008.1.2.4.70  JPEG Lossless, first-order prediction\n"
    "             baseline      1.2.840.10008.1.2.4.50  JPEG Baseline\n"
    "             rle           1.2.840.10008.1.2.5     RLE Lossless\n"
    "             jpeg-ls       1.2.840.10008.1.2.4.80  JPEG-LS Lossless\n"
    "             jpeg-ls-near  1.2.840.10008.1.2.4.81  JPEG-LS Near-Lossless\n"
    "             j2k-lossless  1.2.840.10008.1.2.4.90  JPEG 2000 Lossless\n"
    "             j2k           1.2.840.10008.1.2.4.91  JPEG 2000 (lossy)\n";

// The aliases, for shell completion.
inline constexpr const char* kTransferSyntaxChoices = "implicit explicit big lossless baseline";

// The transfer syntax UID a --ts value names: one of the aliases above, or a UID written
// out (digits and dots, at most 64 characters). Nullopt for anything else.
std::optional<std::string> ResolveTransferSyntax(const std::string& text);

// Why a --ts value names no transfer syntax, in one line.
std::string TransferSyntaxProblem(const std::string& text);

}  // namespace norvane::cli
