#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// The longest UID text the store uses; a longer value is cut here.
inline constexpr size_t kMaxStoreUIDLength = 64;

inline constexpr uint16_t kSOPClassUIDGroup = 0x0008;
inline constexpr uint16_t kSOPClassUIDElement = 0x0016;
inline constexpr uint16_t kSOPInstanceUIDGroup = 0x0008;
inline constexpr uint16_t kSOPInstanceUIDElement = 0x0018;
inline constexpr uint16_t kStudyInstanceUIDGroup = 0x0020;
inline constexpr uint16_t kStudyInstanceUIDElement = 0x000D;
inline constexpr uint16_t kSeriesInstanceUIDGroup = 0x0020;
inline constexpr uint16_t kSeriesInstanceUIDElement = 0x000E;

// A UID of the data set as the local store names folders and files with it: the value up to
// its first NUL byte, blanks and control bytes removed from both ends, at most 64
// characters. Empty when the element is missing. The index and the store worker both take
// their names from here, so that index lines, folders and files always agree.
std::string GetStoreUID(const TagList& dataset, uint16_t group, uint16_t element);

// True when the text can name one folder or file directly inside its parent and can stand
// in an index line: not "." or "..", and no '/', ',' or control byte. A peer's UID is
// untrusted; anything else could reach outside the database root or break a record. An
// empty text passes: a missing UID makes an empty path component, which stays in place.
bool IsSafeStoreName(std::string_view uid);

}  // namespace norvane
