#include "platform/terminal_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace norvane {
namespace {

TEST(TerminalText, OnlyPrintableAsciiAndWellFormedPrintableUtf8GetThrough) {
  const struct {
    const char* what;
    std::string in;
    std::string out;
  } cases[] = {
      {"plain text", "1.2.840.10008 DOE^JOHN", "1.2.840.10008 DOE^JOHN"},
      {"backslash of multiple values", "A\\B", "A\\B"},
      {"escape sequence", "\x1B[2J\x1B]0;title\x07", "\\x1B[2J\\x1B]0;title\\x07"},
      {"line breaks and tab", "a\r\nb\tc", "a\\x0D\\x0Ab\\x09c"},
      {"NUL and DEL", std::string("a\0b\x7F", 4), "a\\x00b\\x7F"},
      {"raw C1 control (CSI)",
       "\x9B"
       "31m",
       "\\x9B31m"},
      {"C1 control written as UTF-8",
       "\xC2\x9B"
       "31m",
       "\\xC2\\x9B31m"},
      {"Latin-1 letter, no UTF-8", "M\xFCller", "M\\xFCller"},
      {"UTF-8 letters", "M\xC3\xBCller \xE2\x80\x99 \xF0\x9F\x98\x80",
       "M\xC3\xBCller \xE2\x80\x99 \xF0\x9F\x98\x80"},
      {"no-break space", "\xC2\xA0", "\xC2\xA0"},
      {"overlong slash", "\xC0\xAF", "\\xC0\\xAF"},
      {"overlong three bytes", "\xE0\x80\xAF", "\\xE0\\x80\\xAF"},
      {"surrogate", "\xED\xA0\x80", "\\xED\\xA0\\x80"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
      {"cut short at the end", "ok\xE2\x80", "ok\\xE2\\x80"},
      {"continuation byte alone", "\x80x", "\\x80x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TerminalText(c.in), c.out) << c.what;
  }
}

}  // namespace
}  // namespace norvane
