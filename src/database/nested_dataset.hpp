#pragma once

// A data set with its sequences as nested items, for matching keys inside sequences: built
// from the flat list of a message or file, written back as a flat list.

#include <optional>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

struct NestedElement;
using NestedItem = std::vector<NestedElement>;

struct NestedElement {
  TagRecord record;  // a sequence's record holds no value; its VR is "SQ"
  bool sequence = false;
  std::vector<NestedItem> items;
};

// The nested form of a flat list whose values are encoded as `explicitVR` says (little
// endian). Sequences are recognised by their VR, or for records without one by the
// dictionary; those of undefined length by their items and delimiters in the list, those
// of defined length by the items their value holds. Records without VR get the
// dictionary's. Nothing when the nesting is malformed or deeper than kMaxNesting.
inline constexpr int kMaxNesting = 16;
std::optional<NestedItem> NestDataset(const TagList& flat, bool explicitVR);

// The first element of the item with this tag, or null.
const NestedElement* FindNested(const NestedItem& item, Tag tag);

// The flat form: every sequence of undefined length, each item of undefined length with
// its delimiter.
TagList FlattenDataset(const NestedItem& dataset);

}  // namespace norvane
