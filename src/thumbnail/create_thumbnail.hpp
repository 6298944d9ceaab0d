#pragma once

// Small JPEG pictures of the first frame of DICOM images: uncompressed little endian, or
// in a compressed syntax the conversion decodes (JPEG, RLE, JPEG-LS, JPEG 2000).

#include <optional>
#include <string>
#include <string_view>

#include "platform/raster.hpp"
#include "thumbnail/thumbnail_image.hpp"

namespace norvane {

inline constexpr int kThumbnailJpegQuality = 60;

enum class ThumbnailStatus : uint8_t {
  kWritten,
  kCannotRead,             // not a readable DICOM file with a Transfer Syntax UID
  kNotNativeLittleEndian,  // big endian, or compressed in a syntax that is not decoded
  kCannotDecode,           // compressed pixel data whose decoding failed
  kNoPixels,               // no pixel data of the size the image elements give, or Columns 0
  kUnsupportedImage,       // colour without 8-bit samples or as 4:2:0, grey without 8 or 16 bits
  kBadWidth,               // a width below 1, or a picture too large for a JPEG file
  kCannotWrite,
  kOutOfMemory,
};

std::string_view Describe(ThumbnailStatus status);

// The name the JPEG file gets: `outputName` with its extension (if any) replaced by ".jpg".
std::string ThumbnailFileName(const std::string& outputName);

// The picture, `width` pixels wide and Rows x width / Columns high (truncated), its first
// and last rows and columns black:
// - RGB (8-bit samples, colour-by-pixel or colour-by-plane), 24-bit, nearest neighbour;
//   YBR_FULL, YBR_FULL_422 and YBR_PARTIAL_422 the same, after turning into RGB;
// - otherwise 8-bit grey: samples (unsigned 8-bit or signed 16-bit) through the rescale
//   slope and intercept (unless the slope is 0), sampled bilinearly, mapped through the
//   window (width 0 counts as 255; 8-bit images always centre at 127), inverted for
//   MONOCHROME1.
// Changes the record's samples (rescaled in place) and scale. Nullopt when the record has
// no pixels or columns, its sample layout is not one of the above, or the size is bad.
std::optional<Raster> RenderThumbnail(ThumbnailImage& image, int width,
                                      ThumbnailStatus* status = nullptr);

// Renders the first frame of the DICOM file (its pixel data decoded first when compressed)
// and writes it as a quality 60 JPEG file named ThumbnailFileName(outputName), under a
// temporary name renamed at the end. kWritten when the JPEG file was written, otherwise why
// not.
ThumbnailStatus CreateThumbnail(const std::string& outputName, const std::string& dicomName,
                                int width);

}  // namespace norvane
