#include "elements/tag_list.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace norvane {
namespace {

constexpr uint16_t kImageGroup = 0x0028;
constexpr uint16_t kRowsElement = 0x0010;
constexpr uint16_t kColumnsElement = 0x0011;
constexpr uint16_t kPatientGroup = 0x0010;
constexpr uint16_t kPatientNameElement = 0x0010;

bool IsPadding(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

std::string Trimmed(std::string text) {
  const auto first = std::find_if_not(text.begin(), text.end(), IsPadding);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), IsPadding).base();
  if (first >= last) return {};
  return std::string(first, last);
}

}  // namespace

TagRecord GenerateTag(uint32_t group, uint32_t element, uint32_t length, const void* value,
                      const char* vr) {
  TagRecord record;
  record.group = static_cast<uint16_t>(group);
  record.element = static_cast<uint16_t>(element);
  record.length = length;
  if (vr != nullptr) record.SetVR(std::string_view(vr, ::strnlen(vr, 2)));
  if (record.HasValue()) {
    if (value != nullptr) {
      const auto* bytes = static_cast<const uint8_t*>(value);
      record.value.assign(bytes, bytes + length);
    } else {
      record.value.assign(length, 0);
    }
  }
  return record;
}

TagRecord GenerateTag(uint16_t group, uint16_t element, std::string_view vr,
                      std::span<const uint8_t> value) {
  TagRecord record;
  record.group = group;
  record.element = element;
  record.SetVR(vr);
  record.length = static_cast<uint32_t>(value.size());
  record.value.assign(value.begin(), value.end());
  return record;
}

TagRecord GenerateTextTag(uint16_t group, uint16_t element, std::string_view vr,
                          std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  return GenerateTag(group, element, vr, std::span<const uint8_t>(bytes, text.size()));
}

TagRecord GenerateUSTag(uint16_t group, uint16_t element, uint16_t number) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8)};
  return GenerateTag(group, element, "US", bytes);
}

TagRecord GenerateULTag(uint16_t group, uint16_t element, uint32_t number) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                            static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
  return GenerateTag(group, element, "UL", bytes);
}

void ClearTags(TagList& list) {
  list.clear();
  list.shrink_to_fit();
}

const TagRecord* FindTag(const TagList& list, uint16_t group, uint16_t element) {
  for (const TagRecord& record : list) {
    if (record.Is(group, element)) return &record;
  }
  return nullptr;
}

TagRecord* FindTag(TagList& list, uint16_t group, uint16_t element) {
  const TagRecord* found = FindTag(static_cast<const TagList&>(list), group, element);
  return const_cast<TagRecord*>(found);
}

std::span<const uint8_t> ValueBytes(const TagRecord& record) {
  if (!record.HasValue()) return {};
  return std::span<const uint8_t>(record.value)
      .first(std::min<size_t>(record.value.size(), record.length));
}

uint16_t GetTagUS(const TagList& list, uint16_t group, uint16_t element) {
  const TagRecord* record = FindTag(list, group, element);
  if (record == nullptr) return 0;
  const std::span<const uint8_t> value = ValueBytes(*record);
  if (value.size() < 2) return 0;
  return static_cast<uint16_t>(value[0] | (value[1] << 8));
}

std::string GetTagText(const TagList& list, uint16_t group, uint16_t element) {
  const TagRecord* record = FindTag(list, group, element);
  if (record == nullptr) return {};
  const std::span<const uint8_t> value = ValueBytes(*record);
  if (value.empty()) return {};
  if (group == kImageGroup && (element == kRowsElement || element == kColumnsElement)) {
    // A one-byte value fills only the low byte.
    const uint16_t number =
        static_cast<uint16_t>(value[0] | (value.size() > 1 ? value[1] << 8 : 0));
    char text[8];
    std::snprintf(text, sizeof text, "%hu", number);
    return text;
  }
  std::string text(value.begin(), value.end());
  if (group == kPatientGroup && element == kPatientNameElement) {
    std::replace(text.begin(), text.end(), ',', '^');
  }
  return Trimmed(std::move(text));
}

void CopyTags(TagList& destination, const TagList& source) {
  if (&destination == &source) {
    const TagList copy = source;
    destination.insert(destination.end(), copy.begin(), copy.end());
    return;
  }
  destination.insert(destination.end(), source.begin(), source.end());
}

}  // namespace norvane
