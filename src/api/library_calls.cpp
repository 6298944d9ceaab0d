// The log settings and the library's version.

#include <cstring>
#include <string_view>

#include "api/boundary.hpp"
#include "log/log.hpp"
#include "norvane.h"
#include "platform/library_version.hpp"

using norvane::api::Guarded;
using norvane::api::Text;

extern "C" {

void SetLOG(const char* fileName, int32_t level) {
  Guarded([&] { norvane::SetLOG(Text(fileName), level); });
}

// The buffer holds at least 5 bytes: "2.64" and its terminator.
char* Version(char* buffer) {
  if (buffer != nullptr) {
    const std::string_view version = norvane::LibraryVersion();
    std::memcpy(buffer, version.data(), version.size());
    buffer[version.size()] = '\0';
  }
  return buffer;
}

}  // extern "C"
