#pragma once

#include <string>

#include "elements/tag_record.hpp"

namespace norvane {

// The value of a record as the dumps show it, with `vr` the VR the dump uses:
// - "FL", "FD": "Vector!!" above 4 bytes, else the single-precision number as "%5.2f";
// - "SL", "SS", "UL", "US": "Vector!!" above 4 bytes, else the bytes as the low bytes of a
//   32-bit little-endian integer, printed with "%d";
// - anything else: the value bytes up to the first NUL (or the whole value).
// Empty for a length of 0 or undefined.
std::string DumpValueText(const TagRecord& record, const char vr[2]);

}  // namespace norvane
