#pragma once

#include <string_view>

namespace norvane {

// The library's version as its clients show it (the about message, the exported Version).
std::string_view LibraryVersion();

}  // namespace norvane
