// The calling thread's last error text: why its latest failed call into the library failed.

#include <exception>
#include <new>
#include <string>

#include "api/boundary.hpp"
#include "norvane.h"

namespace norvane::api {
namespace {

thread_local std::string lastError;

}  // namespace

void SetLastError(std::string_view reason) noexcept {
  try {
    lastError.assign(reason);
  } catch (...) {
    lastError.clear();  // no memory for the text
  }
}

void ClearLastError() noexcept {
  lastError.clear();
}

void SetLastErrorFromException(const std::exception_ptr& thrown) noexcept {
  try {
    std::rethrow_exception(thrown);
  } catch (const std::bad_alloc&) {
    SetLastError("out of memory");
  } catch (const std::exception& e) {
    SetLastError("internal error");
    try {
      lastError += std::string(": ") + e.what();
    } catch (...) {
    }
  } catch (...) {
    SetLastError("internal error");
  }
}

}  // namespace norvane::api

extern "C" const char* LastErrorText(void) {
  return norvane::api::lastError.c_str();
}
