#include "cli/transfer_syntax_option.hpp"

#include <array>
#include <string_view>
#include <utility>

namespace norvane::cli {
namespace {

constexpr size_t kMaxUidLength = 64;

constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kAliases = {{
    {"implicit", "1.2.840.10008.1.2"},
    {"explicit", "1.2.840.10008.1.2.1"},
    {"big", "1.2.840.10008.1.2.2"},
    {"lossless", "1.2.840.10008.1.2.4.70"},
    {"baseline", "1.2.840.10008.1.2.4.50"},
    {"rle", "1.2.840.10008.1.2.5"},
    {"jpeg-ls", "1.2.840.10008.1.2.4.80"},
    {"jpeg-ls-near", "1.2.840.10008.1.2.4.81"},
    {"j2k-lossless", "1.2.840.10008.1.2.4.90"},
    {"j2k", "1.2.840.10008.1.2.4.91"},
    {"deflate", "1.2.840.10008.1.2.1.99"},
}};

bool IsUid(std::string_view text) {
  if (text.empty() || text.size() > kMaxUidLength) return false;
  if (text.front() == '.' || text.back() == '.') return false;
  char previous = 0;
  for (const char c : text) {
    if (c != '.' && (c < '0' || c > '9')) return false;
    if (c == '.' && previous == '.') return false;
    previous = c;
  }
  return true;
}

}  // namespace

std::optional<std::string> ResolveTransferSyntax(const std::string& text) {
  for (const auto& [alias, uid] : kAliases) {
    if (text == alias) return std::string(uid);
  }
  if (IsUid(text)) return text;
  return std::nullopt;
}

std::string TransferSyntaxProblem(const std::string& text) {
  std::string names;
  for (const auto& [alias, uid] : kAliases) {
    names += (names.empty() ? "" : ", ") + std::string(alias);
  }
  return "--ts '" + text + "' is neither a transfer syntax UID nor one of " + names;
}

}  // namespace norvane::cli
