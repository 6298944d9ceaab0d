#include "thumbnail/create_thumbnail.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <new>
#include <vector>

#include "convert/decoded_image.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/ybr_to_rgb.hpp"
#include "elements/byte_order.hpp"
#include "platform/raster_jpeg.hpp"

namespace norvane {
namespace {

constexpr int kWhite = 255;
constexpr int kMidGrey = 127;
constexpr int kMaxJpegSide = 65535;

// Truncation toward zero, held at the limits of T.
template <class T>
T Truncated(double value) {
  const double clamped = std::clamp(value, static_cast<double>(std::numeric_limits<T>::min()),
                                    static_cast<double>(std::numeric_limits<T>::max()));
  return static_cast<T>(clamped);
}

void RenderRgb(const ThumbnailImage& image, Raster& raster) {
  const int rows = image.rows;
  const int columns = image.columns;
  const size_t planeSize = static_cast<size_t>(rows) * columns;
  const uint8_t* p = image.pixels.data();
  for (int i = 0; i + 1 < raster.Height(); ++i) {
    const int y = static_cast<int>(static_cast<float>(i) / image.scale);
    if (y <= 0 || y >= rows - 1) continue;
    uint8_t* out = raster.Row(i).data();
    for (int j = 0; j + 1 < raster.Width(); ++j) {
      const int x = static_cast<int>(static_cast<float>(j) / image.scale);
      if (x <= 0 || x >= columns - 1) continue;
      const size_t n = static_cast<size_t>(y) * columns + x;
      uint8_t red, green, blue;
      if (image.planarConfiguration == 0) {
        red = p[3 * n];
        green = p[3 * n + 1];
        blue = p[3 * n + 2];
      } else {
        red = p[n];
        green = p[planeSize + n];
        blue = p[2 * planeSize + n];
      }
      out[3 * j] = blue;
      out[3 * j + 1] = green;
      out[3 * j + 2] = red;
    }
  }
}

// YBR samples replaced by the RGB they stand for, colour-by-pixel. False when they cannot
// be (4:2:0 chroma, or an odd number of pixels with 4:2:2 chroma).
bool AsRgb(ThumbnailImage& image) {
  std::vector<uint8_t> rgb(size_t{image.rows} * image.columns * 3);
  if (!YbrFrameToRgb(image.photometric, image.planarConfiguration, image.rows, image.columns,
                     image.pixels, rgb)) {
    return false;
  }
  image.pixels = std::move(rgb);
  image.photometric = "RGB";
  image.planarConfiguration = 0;
  return true;
}

// Modality rescale in place, each result truncated and held in the sample's own range.
void Rescale(ThumbnailImage& image) {
  const size_t count = static_cast<size_t>(image.rows) * image.columns;
  const double slope = image.rescaleSlope;
  const double intercept = image.rescaleIntercept;
  uint8_t* p = image.pixels.data();
  if (image.bitsAllocated == 8) {
    for (size_t n = 0; n < count; ++n)
      p[n] = Truncated<uint8_t>(p[n] * slope + intercept);
    return;
  }
  for (size_t n = 0; n < count; ++n) {
    const auto sample = static_cast<int16_t>(LoadU16(p + 2 * n, false));
    StoreU16(p + 2 * n, static_cast<uint16_t>(Truncated<int16_t>(sample * slope + intercept)),
             false);
  }
}

void RenderGrey(ThumbnailImage& image, Raster& raster) {
  raster.SetGreyPalette();
  int center = image.windowCenter;
  int width = image.windowWidth;
  if (width == 0) width = kWhite;
  if (image.bitsAllocated == 8) center = kMidGrey;
  if (image.rescaleSlope != 0) Rescale(image);

  const int rows = image.rows;
  const int columns = image.columns;
  const uint8_t* p = image.pixels.data();
  const bool bytes = image.bitsAllocated == 8;
  const auto sample = [&](int x, int y) -> double {
    const size_t n = static_cast<size_t>(y) * columns + x;
    return bytes ? p[n] : static_cast<int16_t>(LoadU16(p + 2 * n, false));
  };
  const int64_t e = image.inverted ? kWhite : -kWhite;
  const int64_t d = -e;
  for (int i = 0; i + 1 < raster.Height(); ++i) {
    const float y = static_cast<float>(i) / image.scale;
    if (!(y > 0 && y < rows - 1)) continue;
    const int y0 = static_cast<int>(y);
    const double fy = y - y0;
    uint8_t* out = raster.Row(i).data();
    for (int j = 0; j + 1 < raster.Width(); ++j) {
      const float x = static_cast<float>(j) / image.scale;
      if (!(x > 0 && x < columns - 1)) continue;
      const int x0 = static_cast<int>(x);
      const double fx = x - x0;
      const double interpolated =
          sample(x0, y0) * (1 - fx) * (1 - fy) + sample(x0 + 1, y0) * fx * (1 - fy) +
          sample(x0, y0 + 1) * (1 - fx) * fy + sample(x0 + 1, y0 + 1) * fx * fy;
      const int64_t v = Truncated<int32_t>(interpolated);
      const int64_t level = (center * e + v * d) / width + kMidGrey;
      out[j] = static_cast<uint8_t>(std::clamp<int64_t>(level, 0, kWhite));
    }
  }
}

}  // namespace

std::string_view Describe(ThumbnailStatus status) {
  switch (status) {
    case ThumbnailStatus::kWritten:
      return "written";
    case ThumbnailStatus::kCannotRead:
      return "cannot be read as a DICOM file with a transfer syntax";
    case ThumbnailStatus::kNotNativeLittleEndian:
      return "is neither uncompressed little endian nor in a compressed syntax that can be "
             "decoded (big endian, or JPEG other than baseline and lossless SV1)";
    case ThumbnailStatus::kCannotDecode:
      return "has compressed pixel data that cannot be decoded";
    case ThumbnailStatus::kNoPixels:
      return "has no single-frame pixel data of the size Rows, Columns and Bits Allocated give";
    case ThumbnailStatus::kUnsupportedImage:
      return "has samples a thumbnail cannot show (RGB and YBR need 8 bits, grey 8 or 16; "
             "YBR_PARTIAL_420 is not shown)";
    case ThumbnailStatus::kBadWidth:
      return "cannot be shown at that width";
    case ThumbnailStatus::kCannotWrite:
      return "thumbnail cannot be written";
    case ThumbnailStatus::kOutOfMemory:
      return "is too large for the memory available";
  }
  return "unknown";
}

std::string ThumbnailFileName(const std::string& outputName) {
  return std::filesystem::path(outputName).replace_extension(".jpg").string();
}

std::optional<Raster> RenderThumbnail(ThumbnailImage& image, int width, ThumbnailStatus* status) {
  ThumbnailStatus ignored;
  ThumbnailStatus& result = status ? *status : ignored;
  if (image.pixels.empty() || image.columns == 0) {
    result = ThumbnailStatus::kNoPixels;
    return std::nullopt;
  }
  const bool rgb = image.SamplesPerPixel() == 3;
  if ((rgb && image.bitsAllocated != 8) ||
      (!rgb && image.bitsAllocated != 8 && image.bitsAllocated != 16)) {
    result = ThumbnailStatus::kUnsupportedImage;
    return std::nullopt;
  }
  if (image.IsYbr() && !AsRgb(image)) {
    result = ThumbnailStatus::kUnsupportedImage;
    return std::nullopt;
  }
  if (width < 1) {
    result = ThumbnailStatus::kBadWidth;
    return std::nullopt;
  }
  image.scale = static_cast<float>(width) / static_cast<float>(image.columns);
  const int height = static_cast<int>(static_cast<float>(image.rows) * image.scale);
  // A JPEG frame holds at most 65535 lines and columns.
  std::optional<Raster> raster;
  if (width <= kMaxJpegSide && height <= kMaxJpegSide) {
    raster = Raster::Create(width, height, rgb ? PixelFormat::kBgr24 : PixelFormat::kPalette8);
  }
  if (!raster) {
    result = ThumbnailStatus::kBadWidth;
    return std::nullopt;
  }
  if (rgb) {
    RenderRgb(image, *raster);
  } else {
    RenderGrey(image, *raster);
  }
  result = ThumbnailStatus::kWritten;
  return raster;
}

ThumbnailStatus CreateThumbnail(const std::string& outputName, const std::string& dicomName,
                                int width) {
  try {
    TagList dataset;
    const std::optional<std::string> syntax = LoadFileDataset(dicomName, dataset);
    if (!syntax) return ThumbnailStatus::kCannotRead;
    // Compressed pixel data are decoded first.
    const ConvertStatus decoded = DecodeCompressedPixels(dataset, *syntax);
    if (decoded == ConvertStatus::kUnsupportedSourceSyntax) {
      return ThumbnailStatus::kNotNativeLittleEndian;
    }
    if (decoded == ConvertStatus::kOutOfMemory) return ThumbnailStatus::kOutOfMemory;
    if (decoded != ConvertStatus::kOk) return ThumbnailStatus::kCannotDecode;
    ThumbnailImage image = ReadThumbnailImage(dataset);
    dataset.clear();
    ThumbnailStatus status = ThumbnailStatus::kWritten;
    const std::optional<Raster> raster = RenderThumbnail(image, width, &status);
    if (!raster) return status;
    return WriteRasterJpeg(*raster, ThumbnailFileName(outputName), kThumbnailJpegQuality)
               ? ThumbnailStatus::kWritten
               : ThumbnailStatus::kCannotWrite;
  } catch (const std::bad_alloc&) {
    return ThumbnailStatus::kOutOfMemory;
  }
}

}  // namespace norvane
