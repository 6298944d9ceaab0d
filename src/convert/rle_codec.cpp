#include "convert/rle_codec.hpp"

#include <algorithm>
#include <array>

#include "elements/byte_order.hpp"

namespace norvane {
namespace {

constexpr size_t kLongestRun = 128;  // a PackBits header counts 1 to 128 bytes

// Where byte `byteIndex` (0 the most significant) of sample `sample` of the first pixel is
// in a little-endian interleaved frame; the next pixel's is Stride() further on.
struct Plane {
  size_t first = 0;
  size_t stride = 0;
};

size_t Segments(const FrameShape& shape) {
  return size_t{shape.samples} * shape.BytesPerSample();
}

Plane PlaneOf(const FrameShape& shape, size_t segment) {
  const size_t bytes = shape.BytesPerSample();
  const size_t sample = segment / bytes;
  const size_t byteIndex = segment % bytes;
  return Plane{sample * bytes + (bytes - 1 - byteIndex), size_t{shape.samples} * bytes};
}

// PackBits of one row: runs of two or more equal bytes as a repeat, the rest as literals,
// which only a run of three or more interrupts (a pair costs a literal nothing).
void PackRow(std::span<const uint8_t> row, std::vector<uint8_t>& out) {
  size_t at = 0;
  const size_t n = row.size();
  const auto runAt = [&](size_t i) {
    size_t run = 1;
    while (i + run < n && run < kLongestRun && row[i + run] == row[i])
      ++run;
    return run;
  };
  while (at < n) {
    const size_t run = runAt(at);
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(257 - run));  // -(run - 1) as a signed byte
      out.push_back(row[at]);
      at += run;
      continue;
    }
    const size_t start = at;
    ++at;
    while (at < n && at - start < kLongestRun) {
      if (at + 2 < n && row[at] == row[at + 1] && row[at] == row[at + 2]) break;
      ++at;
    }
    out.push_back(static_cast<uint8_t>(at - start - 1));
    out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(start),
               row.begin() + static_cast<std::ptrdiff_t>(at));
  }
}

// Unpacks one segment into its plane of `frame`; false when it ends before the plane is
// whole.
bool UnpackSegment(std::span<const uint8_t> segment, Plane plane, size_t count,
                   std::span<uint8_t> frame) {
  size_t written = 0;
  size_t at = 0;
  uint8_t* out = frame.data() + plane.first;
  const auto put = [&](uint8_t value) {
    *out = value;
    out += plane.stride;
    ++written;
  };
  while (written < count && at < segment.size()) {
    const auto header = static_cast<int8_t>(segment[at++]);
    if (header >= 0) {
      const size_t literal = std::min<size_t>(static_cast<size_t>(header) + 1, count - written);
      if (segment.size() - at < literal) return false;
      for (size_t i = 0; i < literal; ++i)
        put(segment[at + i]);
      at += static_cast<size_t>(header) + 1;
    } else if (header != -128) {  // -128 is no operation
      if (at >= segment.size()) return false;
      const uint8_t value = segment[at++];
      const size_t run = std::min<size_t>(static_cast<size_t>(1 - header), count - written);
      for (size_t i = 0; i < run; ++i)
        put(value);
    }
  }
  return written == count;
}

}  // namespace

bool RleCodesShape(const FrameShape& shape) {
  const bool bits =
      shape.bitsAllocated == 8 || shape.bitsAllocated == 16 || shape.bitsAllocated == 32;
  return bits && (shape.samples == 1 || shape.samples == 3) && shape.rows > 0 &&
         shape.columns > 0 && Segments(shape) <= kRleMaxSegments;
}

bool RleEncodeFrame(const FrameShape& shape, std::span<const uint8_t> frame,
                    std::vector<uint8_t>& stream) {
  stream.clear();
  if (!RleCodesShape(shape) || frame.size() != shape.FrameBytes()) return false;
  const size_t segments = Segments(shape);
  stream.assign(kRleHeaderSize, 0);
  StoreU32(stream.data(), static_cast<uint32_t>(segments), false);
  std::vector<uint8_t> row(shape.columns);
  for (size_t s = 0; s < segments; ++s) {
    // The header's offsets are 32-bit: a frame whose segments run past 4 GiB cannot be coded.
    if (stream.size() > UINT32_MAX) {
      stream.clear();
      return false;
    }
    StoreU32(stream.data() + 4 + 4 * s, static_cast<uint32_t>(stream.size()), false);
    const Plane plane = PlaneOf(shape, s);
    const uint8_t* in = frame.data() + plane.first;
    for (uint32_t r = 0; r < shape.rows; ++r) {
      for (uint8_t& byte : row) {
        byte = *in;
        in += plane.stride;
      }
      PackRow(row, stream);
    }
    if (stream.size() % 2 != 0) stream.push_back(0);
  }
  return true;
}

FrameDecodeStatus RleDecodeFrame(const FrameShape& shape, std::span<const uint8_t> stream,
                                 std::span<uint8_t> frame) {
  if (!RleCodesShape(shape) || frame.size() != shape.FrameBytes()) {
    return FrameDecodeStatus::kMismatch;
  }
  if (stream.size() < kRleHeaderSize) return FrameDecodeStatus::kCorrupt;
  const uint32_t segments = LoadU32(stream.data(), false);
  if (segments != Segments(shape)) return FrameDecodeStatus::kMismatch;
  std::array<uint64_t, kRleMaxSegments + 1> offsets{};
  for (size_t s = 0; s < segments; ++s) {
    offsets[s] = LoadU32(stream.data() + 4 + 4 * s, false);
    const uint64_t lowest = s == 0 ? kRleHeaderSize : offsets[s - 1];
    if (offsets[s] < lowest || offsets[s] > stream.size()) return FrameDecodeStatus::kCorrupt;
  }
  offsets[segments] = stream.size();
  const size_t pixels = size_t{shape.rows} * shape.columns;
  for (size_t s = 0; s < segments; ++s) {
    const std::span<const uint8_t> segment =
        stream.subspan(offsets[s], offsets[s + 1] - offsets[s]);
    if (!UnpackSegment(segment, PlaneOf(shape, s), pixels, frame)) {
      return FrameDecodeStatus::kCorrupt;
    }
  }
  return FrameDecodeStatus::kOk;
}

}  // namespace norvane
