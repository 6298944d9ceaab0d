#include "dictionary/uid_names.hpp"

namespace norvane {
namespace {

bool IsUIDCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '.';
}

bool IsWordCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

}  // namespace

std::string UIDWithName(std::string_view uid) {
  const std::string_view name = UIDName(uid);
  if (name.empty()) return std::string(uid);
  return std::string(uid) + " (" + std::string(name) + ")";
}

std::string NameUIDsInText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    if (!IsUIDCharacter(text[at]) || (at > 0 && IsWordCharacter(text[at - 1]))) {
      out += text[at++];
      continue;
    }
    size_t end = at;
    while (end < text.size() && IsUIDCharacter(text[end]))
      ++end;
    // A full stop after a UID ends the sentence, not the UID.
    size_t uidEnd = end;
    while (uidEnd > at && text[uidEnd - 1] == '.')
      --uidEnd;
    const std::string_view uid = text.substr(at, uidEnd - at);
    out += uid;
    const std::string_view name = UIDName(uid);
    const bool standsAlone = end == text.size() || !IsWordCharacter(text[end]);
    const bool inParentheses =
        at > 0 && text[at - 1] == '(' && uidEnd < text.size() && text[uidEnd] == ')';
    const std::string named = " (" + std::string(name) + ")";
    const bool alreadyNamed = text.substr(uidEnd, named.size()) == named;
    if (!name.empty() && standsAlone && !inParentheses && !alreadyNamed) out += named;
    at = uidEnd;
  }
  return out;
}

}  // namespace norvane
