// JPEG streams as encapsulated pixel data brings them: the frame header is read first, as
// the conversion does, and the stream is given to the decoder of its precision with a
// destination of the size the conversion would give it (the frame's own size, or a
// fixed one when the header is unreadable or asks for too much).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "convert/jpeg_codec.hpp"
#include "convert/jpeg_frame_info.hpp"
#include "fuzz_support.hpp"

namespace {

// Destinations above this are not made: a hostile header may ask for gigabytes.
constexpr size_t kLargestDestination = 4 * 1024 * 1024;
constexpr size_t kFallbackDestination = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size > fuzz::kMaxInput) return 0;
  const std::span<const uint8_t> stream(data, size);
  const std::optional<JpegFrameInfo> info = ReadJpegFrameInfo(stream);
  size_t destinationSize = kFallbackDestination;
  if (info && info->DecodedSize() > 0 && info->DecodedSize() <= kLargestDestination) {
    destinationSize = info->DecodedSize();
  }
  std::vector<uint8_t> destination(destinationSize);
  const int precision = info ? info->precision : 8;
  if (precision <= 8) {
    JpegDecode8(stream, destination);
  } else if (precision <= 12) {
    JpegDecode12(stream, destination);
  } else {
    JpegDecode16(stream, destination);
  }
  return 0;
}
