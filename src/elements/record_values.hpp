#pragma once

// Values of single records read from their raw bytes: text, trimmed text and the first
// binary number. Nothing here reads past the record's own value.

#include <cstdint>
#include <string>
#include <string_view>

#include "elements/byte_order.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// The value bytes as text, as they stand (pad and NUL bytes included); empty when the
// record has no value. A view of the record's bytes.
std::string_view ValueText(const TagRecord& record);

// The text without the bytes 0x00 to 0x20 (blanks, NULs, control bytes) at either end.
std::string_view TrimmedText(std::string_view text);

// The record's value as trimmed text.
std::string TrimmedText(const TagRecord& record);

// The value of the first top-level record with this tag (outside every sequence) as
// trimmed text; empty when there is none.
std::string TrimmedText(const TagList& list, Tag tag);

// The first 16-bit or 32-bit number of the value in the given byte order; 0 when the value
// is shorter.
uint16_t FirstUS(const TagRecord& record, ByteOrder order = ByteOrder::kLittleEndian);
uint32_t FirstUL(const TagRecord& record, ByteOrder order = ByteOrder::kLittleEndian);

}  // namespace norvane
