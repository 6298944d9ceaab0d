#pragma once

#include <string>

namespace norvane {

// The about message: the product, the library's version, what it is for and the maker's
// notice. Its line breaks are LF CR, in that order, as the product has always shown them.
std::string AboutText();

}  // namespace norvane
