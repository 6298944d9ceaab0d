#pragma once

// Values of the elements a waveform object carries, read from their raw little-endian
// bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// The value as text with bytes 0x00 to 0x20 removed from both ends.
std::string TrimmedValueText(const TagRecord& record);

// The first value of a decimal string ("1.25\2" gives 1.25); nullopt when it is not a
// finite number.
std::optional<double> FirstDecimalValue(std::string_view text);

// The first 16-bit or 32-bit number of the value, little endian; 0 when the value is
// shorter.
uint16_t FirstUS(const TagRecord& record);
uint32_t FirstUL(const TagRecord& record);

}  // namespace norvane
