// The library's version, as the about box of the test application shows it.

#include <cstring>

extern "C" __attribute__((visibility("default"))) char* Version(char* buffer) {
  if (buffer != nullptr) std::memcpy(buffer, "2.64", 5);
  return buffer;
}
