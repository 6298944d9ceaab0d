#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "elements/tag.hpp"
#include "elements/value_source.hpp"

namespace norvane {

inline constexpr uint32_t kUndefinedLength = 0xFFFFFFFF;

// The group of the Item and delimiter tags (tag::kItem, tag::kItemDelimitationItem,
// tag::kSequenceDelimitationItem): items and delimiters are recognised by it, never by VR.
inline constexpr uint16_t kItemGroup = 0xFFFE;

// One data element as it was encoded: the value bytes are kept raw, in the byte order
// and padding of the encoding they came from.
struct TagRecord {
  uint16_t group = 0;
  uint16_t element = 0;
  char vr[2] = {0, 0};         // two letters; zero bytes when none was read or given
  uint32_t length = 0;         // kUndefinedLength for sequences and items of undefined length
  std::vector<uint8_t> value;  // exactly `length` bytes; empty when 0 or undefined
  // Set for a large value left in its file (DICOMFile with LargeValues::kLeftInFile): `value`
  // is empty and the encoders read the `length` bytes from there.
  std::shared_ptr<const ValueInFile> inFile;

  bool HasVR() const { return vr[0] != 0; }
  bool VRIs(std::string_view letters) const {
    return letters.size() == 2 && vr[0] == letters[0] && vr[1] == letters[1];
  }
  std::string_view VRText() const { return HasVR() ? std::string_view(vr, 2) : std::string_view(); }
  void SetVR(std::string_view letters) {
    vr[0] = letters.size() > 0 ? letters[0] : 0;
    vr[1] = letters.size() > 1 ? letters[1] : 0;
  }
  bool Is(uint16_t g, uint16_t e) const { return group == g && element == e; }
  bool Is(Tag tag) const { return group == tag.group && element == tag.element; }
  Tag GetTag() const { return Tag{group, element}; }
  bool HasUndefinedLength() const { return length == kUndefinedLength; }
  // Length is neither 0 nor undefined: value bytes follow the header.
  bool HasValue() const { return length != 0 && length != kUndefinedLength; }
  // The value bytes there are, in `value` or in the file.
  size_t HeldBytes() const { return inFile ? length : value.size(); }
};

// An ordered, flat list of element records in insertion order. Duplicates are allowed and
// every lookup returns the first match. Sequences of undefined length and encapsulated pixel
// data are held flat: header, items, contents, delimiters.
using TagList = std::vector<TagRecord>;

}  // namespace norvane
