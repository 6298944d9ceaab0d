#pragma once

// Numbers written as text in DS and IS values.

#include <string_view>

namespace norvane {

// The integer a decimal text begins with, after leading blanks: "40.5" gives 40, "-100\200"
// gives -100, text without digits gives 0; values beyond int are held at its limits.
int LeadingInteger(std::string_view text);

// A decimal number such as "-1024" or "1.5E2"; 0 when the text holds none.
float DecimalNumber(std::string_view text);

}  // namespace norvane
