#pragma once

#include <string>
#include <string_view>

namespace norvane {

// Windows-1252 text (such as a dictionary name) as UTF-8, for terminals and windows. The
// five bytes that code page leaves unassigned become U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace norvane
