#pragma once

// Windows device-independent bitmap files (".bmp") read into rasters by our own code.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/raster.hpp"

namespace norvane {

// The most pixels a picture read from a file may have; a header asking for more is refused
// before anything is allocated.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 26;

enum class BmpStatus : uint8_t {
  kOk,
  kCannotOpen,
  kNotABitmap,         // no "BM" signature, or a header shorter than it says
  kUnsupportedFormat,  // header size, bit count or compression this reader does not know
  kBadSize,            // width or height below 1, more than kMaxPicturePixels, or a run-
                       // length picture of more than 2^20 pixels and 1024 per byte of codes
  kTruncated,          // the pixel rows end before the file says they do
};

std::string_view Describe(BmpStatus status);

struct BmpPicture {
  BmpStatus status = BmpStatus::kCannotOpen;
  std::optional<Raster> raster;
  uint16_t bitCount = 0;  // bits per pixel as stored in the file
};

// Decodes a whole ".bmp" file: core (OS/2 1.x) and info headers of 40, 52, 56, 108 and 124
// bytes, bottom-up and top-down rows, 1/4/8/16/24/32 bits per pixel, uncompressed, with bit
// fields (16 and 32 bits) or run-length encoded (RLE8, RLE4).
// The raster keeps the file's layout where one of ours matches it: 8-bit files give a
// palette raster with the file's colour table (entries the table lacks are black), 24-bit
// files a blue-green-red raster, 32-bit files a blue-green-red-unused raster. 1- and 4-bit
// files are expanded through their colour table and 16-bit files through their bit fields
// into blue-green-red rasters. Pixels a run-length file skips stay at colour index 0.
BmpPicture DecodeBmp(std::span<const uint8_t> file);

// The same, from a file.
BmpPicture ReadBmpFile(const std::string& path);

}  // namespace norvane
