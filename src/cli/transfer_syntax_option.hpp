#pragma once

#include <optional>
#include <string>

namespace norvane::cli {

inline constexpr const char* kTransferSyntaxAliasHelp =
    "implicit (1.2.840.10008.1.2), explicit (1.2.840.10008.1.2.1), big (1.2.840.10008.1.2.2),\n"
    "lossless (1.2.840.10008.1.2.4.70), baseline (1.2.840.10008.1.2.4.50)";

// The transfer syntax UID a --ts value names: one of the aliases above, or a UID written
// out (digits and dots, at most 64 characters). Nullopt for anything else.
std::optional<std::string> ResolveTransferSyntax(const std::string& text);

}  // namespace norvane::cli
