// The library's version, as the about box of the test application shows it.

#include <cstring>

#include "platform/library_version.hpp"

extern "C" __attribute__((visibility("default"))) char* Version(char* buffer) {
  if (buffer != nullptr) {
    const std::string_view version = norvane::LibraryVersion();
    std::memcpy(buffer, version.data(), version.size());
    buffer[version.size()] = '\0';
  }
  return buffer;
}
