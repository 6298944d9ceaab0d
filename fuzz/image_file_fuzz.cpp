// Pictures given to the print SCU: Windows bitmap files (our own reader) and JPEG files
// (libjpeg-turbo behind our source manager and size checks). Every input goes to both.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.hpp"
#include "platform/bmp_file.hpp"
#include "platform/jpeg_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size > fuzz::kMaxInput) return 0;
  const std::span<const uint8_t> file(data, size);
  DecodeBmp(file);
  DecodeJpegFile(file);
  return 0;
}
