#include "platform/raster_png.hpp"

#include <cairo.h>

#include <cstring>
#include <memory>

#include "platform/cairo_pixels.hpp"
#include "platform/file_bytes.hpp"
#include "platform/replace_file.hpp"

namespace norvane {
namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct ContextDeleter {
  void operator()(cairo_t* context) const { cairo_destroy(context); }
};

cairo_status_t AppendToVector(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

struct StreamReader {
  std::span<const uint8_t> stream;
  size_t position = 0;
};

cairo_status_t ReadFromSpan(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<StreamReader*>(closure);
  if (reader->stream.size() - reader->position < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->stream.data() + reader->position, length);
  reader->position += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodeRasterPng(const Raster& raster) {
  if (raster.Width() < 1 || raster.Height() < 1) return std::nullopt;
  SurfacePtr surface(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, raster.Width(), raster.Height()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  CopyRasterToSurface(raster, surface.get());
  std::vector<uint8_t> stream;
  if (cairo_surface_write_to_png_stream(surface.get(), AppendToVector, &stream) !=
      CAIRO_STATUS_SUCCESS) {
    return std::nullopt;
  }
  return stream;
}

bool WriteRasterPng(const Raster& raster, const std::string& path) {
  const std::optional<std::vector<uint8_t>> stream = EncodeRasterPng(raster);
  if (!stream) return false;
  FileReplacement file(path);
  return file.Open() && file.Write(*stream) && file.Commit();
}

std::optional<Raster> DecodePng(std::span<const uint8_t> stream) {
  StreamReader reader{stream, 0};
  SurfacePtr png(cairo_image_surface_create_from_png_stream(ReadFromSpan, &reader));
  if (cairo_surface_status(png.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  const int width = cairo_image_surface_get_width(png.get());
  const int height = cairo_image_surface_get_height(png.get());
  std::optional<Raster> raster = Raster::Create(width, height, PixelFormat::kBgrx32);
  if (!raster) return std::nullopt;

  // Painted onto an opaque black surface, so every PNG colour type ends as 0xXXRRGGBB.
  SurfacePtr flat(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  if (cairo_surface_status(flat.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  {
    std::unique_ptr<cairo_t, ContextDeleter> context(cairo_create(flat.get()));
    cairo_set_source_rgb(context.get(), 0, 0, 0);
    cairo_paint(context.get());
    cairo_set_source_surface(context.get(), png.get(), 0, 0);
    cairo_paint(context.get());
    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  }
  cairo_surface_flush(flat.get());
  for (int y = 0; y < height; ++y) {
    uint8_t* out = raster->Row(y).data();
    for (int x = 0; x < width; ++x) {
      const PaletteEntry c = SurfaceColourAt(flat.get(), x, y);
      out[x * 4 + 0] = c.blue;
      out[x * 4 + 1] = c.green;
      out[x * 4 + 2] = c.red;
    }
  }
  return raster;
}

std::optional<Raster> ReadPngFile(const std::string& path) {
  const std::optional<std::vector<uint8_t>> bytes = LoadFileBytes(path);
  if (!bytes) return std::nullopt;
  return DecodePng(*bytes);
}

}  // namespace norvane
