#include "platform/cairo_pixels.hpp"

#include <cstring>

namespace norvane {

void CopyRasterToSurface(const Raster& raster, cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  for (int y = 0; y < raster.Height(); ++y) {
    unsigned char* row = data + static_cast<size_t>(y) * stride;
    for (int x = 0; x < raster.Width(); ++x) {
      const uint32_t word = PackCairoPixel(raster.ColourAt(x, y));
      std::memcpy(row + static_cast<size_t>(x) * 4, &word, 4);
    }
  }
  cairo_surface_mark_dirty(surface);
}

PaletteEntry SurfaceColourAt(cairo_surface_t* surface, int x, int y) {
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  uint32_t word;
  std::memcpy(&word, data + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4, 4);
  return UnpackCairoPixel(word);
}

}  // namespace norvane
