#pragma once

// Records of the flat form of sequences, items and encapsulated pixel data, and the test
// for values that hold encoded items or elements.
//
// Items and delimiters made here carry VR "DL", the dictionary's VR for group FFFE, which
// is also what records of items read from a message get. Every encoder writes items and
// delimiters without VR letters, so the VR shows only in dumps and traces, where a list
// built here then reads like the same list received.

#include <cstdint>
#include <string_view>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

// The header of a sequence (VR "SQ") or of encapsulated Pixel Data held flat: undefined
// length, no value.
TagRecord UndefinedLengthHeader(Tag tag, std::string_view vr);

// An Item of undefined length: its elements follow, then an Item Delimitation Item.
TagRecord ItemHeader();

// An Item of defined length holding `value` (a fragment, a basic offset table).
TagRecord ItemRecord(std::vector<uint8_t> value);

TagRecord ItemDelimiter();
TagRecord SequenceDelimiter();

// A sequence or item of defined length whose value holds encoded items or elements: an
// Item, or a record with VR "SQ", with a value.
bool HoldsEncodedContent(const TagRecord& record);

}  // namespace norvane
