#pragma once

// Decoding of the JPEG files thumbnails are written as, and a look at their borders.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/jpeg_codec.hpp"
#include "convert/jpeg_frame_info.hpp"
#include "support/peers.hpp"

namespace norvane::testing {

struct DecodedJpeg {
  JpegFrameInfo info;
  std::vector<uint8_t> samples;  // rows top first, components interleaved

  int At(int x, int y, int c = 0) const {
    return samples[(static_cast<size_t>(y) * info.columns + x) * info.components + c];
  }
};

inline std::optional<DecodedJpeg> DecodeJpegFile(const std::string& path) {
  const std::vector<uint8_t> stream = ReadFileBytes(path);
  const std::optional<JpegFrameInfo> info = ReadJpegFrameInfo(stream);
  if (!info || !info->baseline() || info->precision != 8) return std::nullopt;
  DecodedJpeg decoded{*info, std::vector<uint8_t>(info->DecodedSize())};
  if (JpegDecode8(stream, decoded.samples) != 0) return std::nullopt;
  return decoded;
}

// Mean of every sample of the outermost rows and columns, and of the rest.
inline std::pair<double, double> BorderAndInsideMeans(const DecodedJpeg& jpeg) {
  double border = 0, inside = 0;
  size_t borderCount = 0, insideCount = 0;
  for (int y = 0; y < jpeg.info.rows; ++y) {
    for (int x = 0; x < jpeg.info.columns; ++x) {
      const bool edge = x == 0 || y == 0 || x == jpeg.info.columns - 1 || y == jpeg.info.rows - 1;
      for (int c = 0; c < jpeg.info.components; ++c) {
        (edge ? border : inside) += jpeg.At(x, y, c);
        ++(edge ? borderCount : insideCount);
      }
    }
  }
  return {border / static_cast<double>(borderCount),
          insideCount ? inside / static_cast<double>(insideCount) : 0.0};
}

}  // namespace norvane::testing
