#pragma once

// How a stored value answers one key of a C-FIND identifier.

#include <string_view>

namespace norvane {

// True when `value`, an attribute's stored text of the VR `vr`, matches the key's `key`:
// - universal matching: an empty key, or "*", matches every value, an empty one too;
// - UI: a list of UIDs separated by '\', any of which may equal the value;
// - DA, TM, DT: a single value, or a range "A-B", "A-" or "-B" with inclusive ends, compared
//   as points in time (a partial upper end such as the time "10" reaches to 10:59:59.999999;
//   the old date form "YYYY.MM.DD" is read too);
// - AE, CS, LO, LT, PN, SH, ST, UC, UR, UT: the key's '*' (any run of characters) and '?'
//   (one character) are wildcards; otherwise, and in every other VR (IS, DS, ...), the key
//   must equal the value. Case counts.
// Blanks at either end of key and value do not count. A value of several values
// (separated by '\') matches when one of them does. A non-empty key never matches an empty
// value.
bool MatchesKey(std::string_view vr, std::string_view key, std::string_view value);

}  // namespace norvane
