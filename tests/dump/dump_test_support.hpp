#pragma once

// Records and encodings shared by the dump tests.

#include <string>
#include <string_view>
#include <vector>

#include "datadec/element_encoding.hpp"
#include "elements/tag_record.hpp"

namespace norvane::testing {

using Bytes = std::vector<uint8_t>;

template <size_t N>
Bytes Text(const char (&literal)[N]) {
  return Bytes(literal, literal + N - 1);
}

inline TagRecord Record(uint16_t group, uint16_t element, std::string_view vr, Bytes value) {
  TagRecord r;
  r.group = group;
  r.element = element;
  r.SetVR(vr);
  r.length = static_cast<uint32_t>(value.size());
  r.value = std::move(value);
  return r;
}

inline TagRecord Undefined(uint16_t group, uint16_t element, std::string_view vr) {
  TagRecord r = Record(group, element, vr, {});
  r.length = kUndefinedLength;
  return r;
}

inline Bytes Encoded(const TagList& list, bool explicitVR) {
  return EncodeTags(list, explicitVR, ByteOrder::kLittleEndian).value_or(Bytes{});
}

// A Referenced Image Sequence of defined length with two items of defined length.
inline TagRecord SequenceOfTwoItems(bool explicitVR) {
  const TagList first = {Record(0x0008, 0x1150, "UI", Text("1.2.840.10008.5.1.4.1.1.2\0")),
                         Record(0x0008, 0x1155, "UI", Text("1.2.3.4\0"))};
  const TagList second = {Record(0x0028, 0x0010, "US", {0x00, 0x02})};
  const TagList items = {Record(0xFFFE, 0xE000, "", Encoded(first, explicitVR)),
                         Record(0xFFFE, 0xE000, "", Encoded(second, explicitVR))};
  return Record(0x0008, 0x1140, explicitVR ? "SQ" : "", Encoded(items, explicitVR));
}

}  // namespace norvane::testing
