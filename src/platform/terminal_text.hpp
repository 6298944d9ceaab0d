#pragma once

#include <string>
#include <string_view>

namespace norvane {

// A text from outside (a peer's AE title, UIDs and values, a file's values) made safe to
// print on a terminal: printable ASCII and well-formed UTF-8 characters from U+00A0 on
// stay as they are; every other byte (C0 and C1 controls, DEL, bytes of malformed or
// overlong UTF-8, such as Latin-1 letters) is written as "\xNN" with two upper-case hex
// digits. No escape sequence of the input reaches the terminal, and one text stays one
// line.
std::string TerminalText(std::string_view text);

}  // namespace norvane
