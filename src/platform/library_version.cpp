#include "platform/library_version.hpp"

namespace norvane {

std::string_view LibraryVersion() {
  return "2.64";
}

}  // namespace norvane
