#pragma once

// A small bitmap in memory, standing in for the platform's device-independent bitmaps:
// 8 bits per pixel through a 256-entry palette, 24-bit blue-green-red, or 32-bit
// blue-green-red with an unused fourth byte (the layout drawing libraries such as Cairo
// use). Rows are stored top first, each Stride() bytes long with no padding.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace norvane {

enum class PixelFormat : uint8_t {
  kPalette8,  // one palette index per pixel
  kBgr24,     // blue, green, red
  kBgrx32,    // blue, green, red, unused
};

struct PaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;

  bool operator==(const PaletteEntry&) const = default;
};

class Raster {
 public:
  // The largest raster Create makes, in bytes of pixels.
  static constexpr size_t kMaxBytes = size_t{1} << 31;

  Raster() = default;

  // A raster of this size with every byte 0: black, since a new palette is all black.
  // Nullopt for a width or height below 1, or more than kMaxBytes of pixels.
  static std::optional<Raster> Create(int width, int height, PixelFormat format);

  int Width() const { return width_; }
  int Height() const { return height_; }
  PixelFormat Format() const { return format_; }
  size_t BytesPerPixel() const;
  size_t Stride() const { return static_cast<size_t>(width_) * BytesPerPixel(); }

  // Row y, 0 at the top; y must be in 0..Height()-1.
  std::span<uint8_t> Row(int y);
  std::span<const uint8_t> Row(int y) const;

  // Palette of kPalette8 rasters (kept, but unused, for the other formats).
  std::array<PaletteEntry, 256>& Palette() { return palette_; }
  const std::array<PaletteEntry, 256>& Palette() const { return palette_; }
  // Entry k becomes red = green = blue = k.
  void SetGreyPalette();
  bool HasGreyPalette() const;

  // The colour of one pixel, whatever the format.
  PaletteEntry ColourAt(int x, int y) const;

 private:
  Raster(int width, int height, PixelFormat format);

  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::kBgr24;
  std::vector<uint8_t> pixels_;
  std::array<PaletteEntry, 256> palette_{};
};

}  // namespace norvane
