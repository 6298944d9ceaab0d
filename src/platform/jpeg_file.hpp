#pragma once

// JPEG files (JFIF, Exif) read into rasters with libjpeg-turbo.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/raster.hpp"

namespace norvane {

enum class JpegFileStatus : uint8_t {
  kOk,
  kCannotOpen,
  kNotDecodable,       // not a JPEG stream, or one the library cannot decode
  kUnsupportedColour,  // CMYK and YCCK pictures
  kBadSize,            // more than kMaxPicturePixels (bmp_file.hpp)
  kTruncated,          // the stream ends before the last row
};

std::string_view Describe(JpegFileStatus status);

struct JpegPicture {
  JpegFileStatus status = JpegFileStatus::kCannotOpen;
  std::optional<Raster> raster;
};

// Decodes a whole JPEG file: one-component pictures into a palette raster with the grey
// palette, three-component (YCbCr or RGB) pictures into a blue-green-red raster. The
// size the frame header gives is checked against kMaxPicturePixels before anything is
// allocated; a stream that ends early is refused, not filled in.
JpegPicture DecodeJpegFile(std::span<const uint8_t> file);

// The same, from a file.
JpegPicture ReadJpegFile(const std::string& path);

}  // namespace norvane
