#include "elements/tag_list.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "elements/tags.hpp"

namespace norvane {

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

uint8_t PaddingByte(std::string_view vr) {
  if (vr == "UI") return 0x00;
  constexpr std::string_view kBinary[] = {"OB", "OD", "OF", "OL", "OV", "OW", "UN"};
  for (std::string_view binary : kBinary) {
    if (vr == binary) return 0x00;
  }
  return ' ';
}

TagRecord GeneratePaddedTag(Tag tag, std::string_view vr, std::string_view text) {
  std::string value(text);
  if (value.size() % 2 != 0) value.push_back(static_cast<char>(PaddingByte(vr)));
  return GenerateTextTag(tag, vr, value);
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
  return record != nullptr ? FirstUS(*record) : 0;
}

std::string GetTagText(const TagList& list, uint16_t group, uint16_t element) {
  return RecordText(FindTag(list, group, element));
}

std::string RecordText(const TagRecord* record) {
  if (record == nullptr) return {};
  const std::span<const uint8_t> value = ValueBytes(*record);
  if (value.empty()) return {};
  if (record->Is(tag::kRows) || record->Is(tag::kColumns)) {
    // A one-byte value fills only the low byte.
    const uint16_t number =
        static_cast<uint16_t>(value[0] | (value.size() > 1 ? value[1] << 8 : 0));
    char text[8];
    std::snprintf(text, sizeof text, "%hu", number);
    return text;
  }
  std::string text = TrimmedText(*record);
  if (record->Is(tag::kPatientName)) std::replace(text.begin(), text.end(), ',', '^');
  return text;
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
