#pragma once

// The text elements of query identifiers, both ways.

#include <cstdint>
#include <string>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// One key of an identifier: the text as the value, the VR's padding byte added to an odd
// length (a NUL for UI, a space for the text VRs); an empty text gives length 0, which asks
// the peer to return the attribute.
TagRecord QueryKey(Tag tag, std::string_view vr, std::string_view text);

// The value of a response element as a record field holds it: the bytes up to the first
// NUL, padding spaces kept. Never reads past the record's own value.
std::string ResponseText(const TagRecord& record);

}  // namespace norvane
