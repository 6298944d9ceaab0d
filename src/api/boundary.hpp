#pragma once

// What every function of the C boundary needs: texts that may be null, one-byte booleans,
// the calling thread's last error text (LastErrorText), and a guard that keeps C++
// exceptions (an allocation that fails, mostly) from crossing into C callers, where they
// cannot be caught.

#include <cstdint>
#include <exception>
#include <string_view>

#include "net/service_result.hpp"

namespace norvane::api {

// Sets the calling thread's last error text: why the call that is returning failed.
void SetLastError(std::string_view reason) noexcept;
void ClearLastError() noexcept;

// `failure`, after setting the last error text to `reason`.
template <class Result>
Result Fail(Result failure, std::string_view reason) {
  SetLastError(reason);
  return failure;
}

// Whether an operation succeeded; its reason becomes the last error text when not.
inline bool Succeeded(const ServiceResult& result) {
  if (!result.Ok()) SetLastError(result.reason);
  return result.Ok();
}

// The last error text of a call that threw.
void SetLastErrorFromException(const std::exception_ptr& thrown) noexcept;

// The caller's text; a null pointer reads as the empty text.
inline std::string_view Text(const char* text) {
  return text != nullptr ? std::string_view(text) : std::string_view();
}

inline uint8_t Byte(bool value) {
  return value ? 1 : 0;
}

// Runs `work` and gives its result, or `failure` when it threw (the last error text then
// says what was thrown).
template <class Result, class Work>
Result Guarded(Result failure, Work&& work) noexcept {
  try {
    return work();
  } catch (...) {
    SetLastErrorFromException(std::current_exception());
    return failure;
  }
}

template <class Work>
void Guarded(Work&& work) noexcept {
  try {
    work();
  } catch (...) {
    SetLastErrorFromException(std::current_exception());
  }
}

}  // namespace norvane::api
