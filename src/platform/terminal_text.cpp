#include "platform/terminal_text.hpp"

#include <cstdint>

namespace norvane {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, uint8_t byte) {
  out += "\\x";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0F];
}

bool IsContinuation(uint8_t byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 character at the front of `text` whose code point is
// printable (U+00A0 and above, no surrogate, at most U+10FFFF); 0 when there is none.
size_t PrintableUtf8Length(std::string_view text) {
  const auto lead = static_cast<uint8_t>(text[0]);
  size_t length = 0;
  uint32_t codePoint = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (!IsContinuation(byte)) return 0;
    codePoint = (codePoint << 6) | (byte & 0x3F);
  }
  constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < kMinimum[length] || codePoint > 0x10FFFF) return 0;  // overlong or too big
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;            // surrogate
  if (codePoint < 0xA0) return 0;                                      // C1 control
  return length;
}

}  // namespace

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += static_cast<char>(byte);
      ++i;
      continue;
    }
    if (const size_t length = byte >= 0x80 ? PrintableUtf8Length(text.substr(i)) : 0) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    AppendEscaped(out, byte);
    ++i;
  }
  return out;
}

}  // namespace norvane
