#pragma once

// What every function of the C boundary needs: texts that may be null, one-byte booleans,
// and a guard that keeps C++ exceptions (an allocation that fails, mostly) from crossing
// into C callers, where they cannot be caught.

#include <cstdint>
#include <string_view>

namespace norvane::api {

// The caller's text; a null pointer reads as the empty text.
inline std::string_view Text(const char* text) {
  return text != nullptr ? std::string_view(text) : std::string_view();
}

inline uint8_t Byte(bool value) {
  return value ? 1 : 0;
}

// Runs `work` and gives its result, or `failure` when it threw.
template <class Result, class Work>
Result Guarded(Result failure, Work&& work) noexcept {
  try {
    return work();
  } catch (...) {
    return failure;
  }
}

template <class Work>
void Guarded(Work&& work) noexcept {
  try {
    work();
  } catch (...) {
  }
}

}  // namespace norvane::api
