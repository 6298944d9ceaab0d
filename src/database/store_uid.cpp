#include "database/store_uid.hpp"

#include <algorithm>

#include "elements/tag_list.hpp"

namespace norvane {
namespace {

bool IsPadding(uint8_t byte) {
  return byte <= 0x20;
}

}  // namespace

std::string GetStoreUID(const TagList& dataset, uint16_t group, uint16_t element) {
  const TagRecord* record = FindTag(dataset, group, element);
  if (record == nullptr) return {};
  std::span<const uint8_t> value = ValueBytes(*record);
  value =
      value.first(static_cast<size_t>(std::find(value.begin(), value.end(), 0) - value.begin()));
  const auto first = std::find_if_not(value.begin(), value.end(), IsPadding);
  const auto last = std::find_if_not(value.rbegin(), value.rend(), IsPadding).base();
  if (first >= last) return {};
  std::string uid(first, first + std::min(last - first, std::ptrdiff_t{kMaxStoreUIDLength}));
  // The cut may leave a blank at the end; no name ends in one.
  while (IsPadding(static_cast<uint8_t>(uid.back())))
    uid.pop_back();
  return uid;
}

bool IsSafeStoreName(std::string_view uid) {
  if (uid == "." || uid == "..") return false;
  return std::none_of(uid.begin(), uid.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '/' || c == ',' || byte < 0x20 || byte == 0x7F;
  });
}

}  // namespace norvane
