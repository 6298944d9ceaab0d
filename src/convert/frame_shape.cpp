#include "convert/frame_shape.hpp"

namespace norvane {

int CodingPrecision(const FrameShape& shape, std::span<const uint8_t> frame) {
  const int allocated = shape.bitsAllocated;
  const int stored = shape.bitsStored;
  if (stored < 2 || stored >= allocated) return allocated;
  const int32_t lowest = LowestSample(stored, shape.isSigned);
  const int32_t highest = HighestSample(stored, shape.isSigned);
  const size_t count = shape.SampleCount();
  for (size_t n = 0; n < count; ++n) {
    const int32_t value = ReadSample(shape, frame, n);
    if (value < lowest || value > highest) return allocated;
  }
  return stored;
}

}  // namespace norvane
