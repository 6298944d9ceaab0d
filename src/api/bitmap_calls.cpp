// Bitmaps for the ECG drawing, and the drawing itself.

#include <optional>
#include <string>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/tag_lists.hpp"
#include "ecg/ecg_to_bitmap.hpp"
#include "platform/bmp_writer.hpp"
#include "platform/raster_png.hpp"

using norvane::api::Byte;
using norvane::api::Fail;
using norvane::api::Guarded;
using norvane::api::Text;

namespace {

std::optional<norvane::PixelFormat> FormatOf(int32_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 8:
      return norvane::PixelFormat::kPalette8;
    case 24:
      return norvane::PixelFormat::kBgr24;
    case 32:
      return norvane::PixelFormat::kBgrx32;
    default:
      return std::nullopt;
  }
}

constexpr const char* kNoBitmap = "no bitmap (NULL)";

std::string NotWritten(const char* fileName) {
  return "the file '" + std::string(Text(fileName)) + "' cannot be written";
}

}  // namespace

extern "C" {

TBitmap* NewBitmap(int32_t width, int32_t height, int32_t bitsPerPixel) {
  const std::optional<norvane::PixelFormat> format = FormatOf(bitsPerPixel);
  if (!format) {
    return Fail<TBitmap*>(
        nullptr, "a bitmap has 8, 24 or 32 bits per pixel, not " + std::to_string(bitsPerPixel));
  }
  return Guarded<TBitmap*>(nullptr, [&]() -> TBitmap* {
    std::optional<norvane::Raster> raster = norvane::Raster::Create(width, height, *format);
    if (!raster) {
      return Fail<TBitmap*>(nullptr, "no bitmap of " + std::to_string(width) + " x " +
                                         std::to_string(height) +
                                         " pixels (a side below 1, or too large)");
    }
    if (*format == norvane::PixelFormat::kPalette8) raster->SetGreyPalette();
    return new TBitmap{std::move(*raster)};
  });
}

void DeleteBitmap(TBitmap* bitmap) {
  delete bitmap;
}

uint8_t SaveBitmapPNG(const TBitmap* bitmap, const char* fileName) {
  if (bitmap == nullptr) return Fail<uint8_t>(0, kNoBitmap);
  return Guarded<uint8_t>(0, [&] {
    if (norvane::WriteRasterPng(bitmap->raster, std::string(Text(fileName)))) return Byte(true);
    return Fail<uint8_t>(0, NotWritten(fileName));
  });
}

uint8_t SaveBitmapBMP(const TBitmap* bitmap, const char* fileName) {
  if (bitmap == nullptr) return Fail<uint8_t>(0, kNoBitmap);
  return Guarded<uint8_t>(0, [&] {
    if (norvane::WriteBmpFile(bitmap->raster, std::string(Text(fileName)))) return Byte(true);
    return Fail<uint8_t>(0, NotWritten(fileName));
  });
}

// The data set is lent for the drawing and comes back unchanged.
uint8_t ECG2Bitmap(TBitmap* bitmap, TList* dataset) {
  if (bitmap == nullptr) return Fail<uint8_t>(0, kNoBitmap);
  if (dataset == nullptr) return Fail<uint8_t>(0, "no data set list (NULL)");
  return Guarded<uint8_t>(0, [&] {
    norvane::api::LentTags lent(*dataset);
    const norvane::EcgStatus status = norvane::ECG2Bitmap(bitmap->raster, lent.tags());
    if (status == norvane::EcgStatus::kDrawn) return Byte(true);
    return Fail<uint8_t>(0, "the data set " + std::string(Describe(status)));
  });
}

}  // extern "C"
