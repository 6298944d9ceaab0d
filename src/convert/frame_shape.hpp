#pragma once

// One frame of native samples as the RLE, JPEG-LS and JPEG 2000 codecs take and give it:
// samples interleaved (one pixel's together), rows top first, each sample Bits Allocated
// wide, little endian, two's complement when signed.

#include <cstddef>
#include <cstdint>
#include <span>

namespace norvane {

struct FrameShape {
  uint32_t rows = 0;
  uint32_t columns = 0;
  uint32_t samples = 1;  // 1 or 3
  uint16_t bitsAllocated = 8;
  uint16_t bitsStored = 8;
  bool isSigned = false;  // Pixel Representation 1

  size_t BytesPerSample() const { return bitsAllocated / 8u; }
  size_t SampleCount() const { return size_t{rows} * columns * samples; }
  size_t FrameBytes() const { return SampleCount() * BytesPerSample(); }
};

// A frame of 8- or 16-bit samples, one or three per pixel, at least one row and column:
// what the JPEG-LS and JPEG 2000 codecs take.
inline bool HasByteOrWordSamples(const FrameShape& shape) {
  return (shape.bitsAllocated == 8 || shape.bitsAllocated == 16) &&
         (shape.samples == 1 || shape.samples == 3) && shape.rows > 0 && shape.columns > 0;
}

// What a frame decoder found.
enum class FrameDecodeStatus : uint8_t {
  kOk,
  kMismatch,  // the stream holds an image of another size, sample count or precision
  kCorrupt,   // the stream cannot be decoded
};

struct FrameDecodeResult {
  FrameDecodeStatus status = FrameDecodeStatus::kCorrupt;
  bool lossy = false;  // the stream was coded with loss (near-lossless, irreversible wavelet)
};

// Sample `n` of an 8- or 16-bit frame, signed when the shape is.
inline int32_t ReadSample(const FrameShape& shape, std::span<const uint8_t> frame, size_t n) {
  if (shape.bitsAllocated == 8) {
    return shape.isSigned ? int32_t{static_cast<int8_t>(frame[n])} : int32_t{frame[n]};
  }
  const auto word = static_cast<uint16_t>(frame[2 * n] | (frame[2 * n + 1] << 8));
  return shape.isSigned ? int32_t{static_cast<int16_t>(word)} : int32_t{word};
}

// Writes `value` as sample `n` of an 8- or 16-bit frame, in two's complement of its width.
inline void WriteSample(const FrameShape& shape, std::span<uint8_t> frame, size_t n,
                        int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  if (shape.bitsAllocated == 8) {
    frame[n] = static_cast<uint8_t>(bits);
    return;
  }
  frame[2 * n] = static_cast<uint8_t>(bits);
  frame[2 * n + 1] = static_cast<uint8_t>(bits >> 8);
}

// The smallest and largest value of a `precision`-bit sample, signed or not.
inline int32_t LowestSample(int precision, bool isSigned) {
  return isSigned ? -(int32_t{1} << (precision - 1)) : 0;
}
inline int32_t HighestSample(int precision, bool isSigned) {
  return isSigned ? (int32_t{1} << (precision - 1)) - 1
                  : static_cast<int32_t>((uint32_t{1} << precision) - 1);
}

// The precision a codec can code an 8- or 16-bit frame in without changing a bit: Bits
// Stored when every sample is within its range (sign-extended from it when signed), else
// Bits Allocated, which holds any sample. A frame whose samples carry bits above Bits
// Stored keeps them.
int CodingPrecision(const FrameShape& shape, std::span<const uint8_t> frame);

}  // namespace norvane
