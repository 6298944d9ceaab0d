#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "elements/record_values.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// A new record. The first two characters of `vr` are taken when it is not null (fewer
// when it ends earlier); `length` value bytes are copied when the length is neither 0 nor
// undefined. A null `value` with such a length gives zero bytes, so that a record always
// holds exactly `length` bytes. Only the low 16 bits of group and element are used.
TagRecord GenerateTag(uint32_t group, uint32_t element, uint32_t length, const void* value,
                      const char* vr);

// A record holding `value`; its length is the size of `value`.
TagRecord GenerateTag(uint16_t group, uint16_t element, std::string_view vr,
                      std::span<const uint8_t> value);
inline TagRecord GenerateTag(Tag tag, std::string_view vr, std::span<const uint8_t> value) {
  return GenerateTag(tag.group, tag.element, vr, value);
}

// A record holding the text as it stands (no padding is added).
TagRecord GenerateTextTag(uint16_t group, uint16_t element, std::string_view vr,
                          std::string_view text);
inline TagRecord GenerateTextTag(Tag tag, std::string_view vr, std::string_view text) {
  return GenerateTextTag(tag.group, tag.element, vr, text);
}

// The byte that pads a value of this VR to even length: NUL for UI, zero for the binary
// VRs (OB, OD, OF, OL, OV, OW, UN), a space for every text VR (AE, CS, PN, LO, ...).
uint8_t PaddingByte(std::string_view vr);

// A record holding the text, with the VR's padding byte added to an odd length.
TagRecord GeneratePaddedTag(Tag tag, std::string_view vr, std::string_view text);

// Records of one number in little-endian order, as command sets and meta groups hold them.
TagRecord GenerateUSTag(uint16_t group, uint16_t element, uint16_t number);
TagRecord GenerateULTag(uint16_t group, uint16_t element, uint32_t number);
inline TagRecord GenerateUSTag(Tag tag, uint16_t number) {
  return GenerateUSTag(tag.group, tag.element, number);
}
inline TagRecord GenerateULTag(Tag tag, uint32_t number) {
  return GenerateULTag(tag.group, tag.element, number);
}

// Frees every record of the list; the list itself stays usable.
void ClearTags(TagList& list);

// The first record with this tag, or null.
const TagRecord* FindTag(const TagList& list, uint16_t group, uint16_t element);
TagRecord* FindTag(TagList& list, uint16_t group, uint16_t element);
inline const TagRecord* FindTag(const TagList& list, Tag tag) {
  return FindTag(list, tag.group, tag.element);
}
inline TagRecord* FindTag(TagList& list, Tag tag) {
  return FindTag(list, tag.group, tag.element);
}

// The first two value bytes of the first matching record, little endian; 0 when the tag is
// absent or its value is shorter than 2 bytes.
uint16_t GetTagUS(const TagList& list, uint16_t group, uint16_t element);
inline uint16_t GetTagUS(const TagList& list, Tag tag) {
  return GetTagUS(list, tag.group, tag.element);
}

// The value of a record as text: Rows and Columns as decimal numbers, Patient's Name with
// ',' turned into '^', every other value as its bytes; then bytes 0x00 to 0x20 are
// stripped from both ends. Empty for a null record or one without value.
std::string RecordText(const TagRecord* record);

// RecordText of the first matching record.
std::string GetTagText(const TagList& list, uint16_t group, uint16_t element);
inline std::string GetTagText(const TagList& list, Tag tag) {
  return GetTagText(list, tag.group, tag.element);
}

// Appends a deep copy of every record of `source` to `destination` (the two may be the
// same list).
void CopyTags(TagList& destination, const TagList& source);

// The record's value bytes, never more than the record's length says.
std::span<const uint8_t> ValueBytes(const TagRecord& record);

}  // namespace norvane
