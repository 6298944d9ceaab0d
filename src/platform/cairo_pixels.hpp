#pragma once

// Pixels of Cairo's 24-bit image format (one native 32-bit word 0xXXRRGGBB per pixel) and
// their exchange with rasters.

#include <cairo.h>

#include <cstdint>

#include "platform/raster.hpp"

namespace norvane {

inline uint32_t PackCairoPixel(PaletteEntry c) {
  return 0xFF000000u | (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
}

inline PaletteEntry UnpackCairoPixel(uint32_t word) {
  return {static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 8),
          static_cast<uint8_t>(word)};
}

// Copies every pixel of the raster, whatever its format, into a 24-bit image surface of at
// least the raster's size.
void CopyRasterToSurface(const Raster& raster, cairo_surface_t* surface);

// The colour of pixel x, y of a 24-bit image surface (flushed by the caller).
PaletteEntry SurfaceColourAt(cairo_surface_t* surface, int x, int y);

}  // namespace norvane
