#include "elements/record_values.hpp"

#include "elements/tag_list.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

bool IsPadding(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

}  // namespace

std::string_view ValueText(const TagRecord& record) {
  const std::span<const uint8_t> value = ValueBytes(record);
  return std::string_view(reinterpret_cast<const char*>(value.data()), value.size());
}

std::string_view TrimmedText(std::string_view text) {
  while (!text.empty() && IsPadding(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsPadding(text.back()))
    text.remove_suffix(1);
  return text;
}

std::string TrimmedText(const TagRecord& record) {
  return std::string(TrimmedText(ValueText(record)));
}

std::string TrimmedText(const TagList& list, Tag tag) {
  const TagRecord* record = FindTopLevel(list, tag);
  return record != nullptr ? TrimmedText(*record) : std::string();
}

uint16_t FirstUS(const TagRecord& record, ByteOrder order) {
  const std::span<const uint8_t> value = ValueBytes(record);
  return value.size() >= 2 ? LoadU16(value.data(), order == ByteOrder::kBigEndian) : 0;
}

uint32_t FirstUL(const TagRecord& record, ByteOrder order) {
  const std::span<const uint8_t> value = ValueBytes(record);
  return value.size() >= 4 ? LoadU32(value.data(), order == ByteOrder::kBigEndian) : 0;
}

}  // namespace norvane
