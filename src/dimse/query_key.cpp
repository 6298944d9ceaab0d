#include "dimse/query_key.hpp"

#include <algorithm>

#include "elements/tag_list.hpp"

namespace norvane {

TagRecord QueryKey(Tag tag, std::string_view vr, std::string_view text) {
  return GeneratePaddedTag(tag, vr, text);
}

std::string ResponseText(const TagRecord& record) {
  const std::span<const uint8_t> value = ValueBytes(record);
  const auto end = std::find(value.begin(), value.end(), uint8_t{0});
  return std::string(value.begin(), end);
}

}  // namespace norvane
