#pragma once

// The frame header (SOFn segment) of a JPEG stream, read without decoding: which decoder
// a stream needs and how large its decoded image is.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace norvane {

struct JpegFrameInfo {
  uint8_t marker = 0;     // second byte of the SOFn marker, 0xC0..0xCF
  int precision = 0;      // sample precision P in bits
  int rows = 0;           // number of lines Y (0 when a DNL segment gives it later)
  int columns = 0;        // samples per line X
  int components = 0;     // Nf
  bool lossless() const;  // SOF3, SOF7, SOF11, SOF15
  bool baseline() const;  // SOF0
  // Bytes the decoded image occupies: one byte per sample up to 8 bits, two above.
  std::size_t DecodedSize() const;
};

// Reads markers from the start of `stream` up to the first frame header. Empty when the
// stream does not begin with SOI, a segment runs past the end, or a scan or EOI comes first.
std::optional<JpegFrameInfo> ReadJpegFrameInfo(std::span<const uint8_t> stream);

}  // namespace norvane
