#pragma once

// Numbers written as text in DS and IS values.

#include <optional>
#include <string_view>

namespace norvane {

// The integer a decimal text begins with, after leading blanks: "40.5" gives 40, "-100\200"
// gives -100, text without digits gives 0; values beyond int are held at its limits.
int LeadingInteger(std::string_view text);

// A decimal number such as "-1024" or "1.5E2"; 0 when the text holds none.
float DecimalNumber(std::string_view text);

// The first value of a decimal string ("1.25\2" gives 1.25), the bytes 0x00 to 0x20 around it
// ignored; nullopt unless the whole value reads as a finite number.
std::optional<double> FirstDecimalValue(std::string_view text);

}  // namespace norvane
