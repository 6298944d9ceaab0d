#pragma once

// Byte order of values when data move between little and big endian encodings.

#include <cstddef>
#include <cstdint>
#include <span>

namespace norvane {

// Size of the numbers a value of this VR is made of, in bytes: 2 for US, SS, OW and AT
// (a tag is two 16-bit numbers), 4 for UL, SL, FL, OF and OL, 8 for FD and OD; 1 for every
// VR whose bytes have no byte order (texts, OB, UN, SQ, ...).
size_t SwapUnit(const char vr[2]);

// Reverses the bytes of each whole `unit` of the value; a trailing part shorter than a unit
// (a malformed length) is left as it is.
void SwapBytes(std::span<uint8_t> value, size_t unit);

}  // namespace norvane
