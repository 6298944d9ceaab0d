#include "database/store_uid.hpp"

#include <algorithm>

#include "elements/tag_list.hpp"

namespace norvane {

std::string GetStoreUID(const TagList& dataset, Tag tag) {
  const TagRecord* record = FindTag(dataset, tag);
  if (record == nullptr) return {};
  const std::string_view value = ValueText(*record);
  const std::string_view uid = TrimmedText(value.substr(0, value.find('\0')));
  // The cut may leave a blank at the end; no name ends in one.
  return std::string(TrimmedText(uid.substr(0, kMaxStoreUIDLength)));
}

bool IsSafeStoreName(std::string_view uid) {
  if (uid == "." || uid == "..") return false;
  return std::none_of(uid.begin(), uid.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '/' || c == ',' || byte < 0x20 || byte == 0x7F;
  });
}

}  // namespace norvane
