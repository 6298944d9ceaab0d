#include "platform/raster.hpp"

namespace norvane {

Raster::Raster(int width, int height, PixelFormat format)
    : width_(width), height_(height), format_(format) {
  pixels_.assign(Stride() * static_cast<size_t>(height_), 0);
}

std::optional<Raster> Raster::Create(int width, int height, PixelFormat format) {
  if (width < 1 || height < 1) return std::nullopt;
  const size_t perPixel = format == PixelFormat::kPalette8 ? 1
                          : format == PixelFormat::kBgr24  ? 3
                                                           : 4;
  if (static_cast<size_t>(width) * perPixel > kMaxBytes / static_cast<size_t>(height)) {
    return std::nullopt;
  }
  return Raster(width, height, format);
}

size_t Raster::BytesPerPixel() const {
  switch (format_) {
    case PixelFormat::kPalette8:
      return 1;
    case PixelFormat::kBgr24:
      return 3;
    case PixelFormat::kBgrx32:
      return 4;
  }
  return 1;
}

std::span<uint8_t> Raster::Row(int y) {
  return std::span<uint8_t>(pixels_).subspan(static_cast<size_t>(y) * Stride(), Stride());
}

std::span<const uint8_t> Raster::Row(int y) const {
  return std::span<const uint8_t>(pixels_).subspan(static_cast<size_t>(y) * Stride(), Stride());
}

void Raster::SetGreyPalette() {
  for (size_t k = 0; k < palette_.size(); ++k) {
    const auto level = static_cast<uint8_t>(k);
    palette_[k] = {level, level, level};
  }
}

bool Raster::HasGreyPalette() const {
  for (size_t k = 0; k < palette_.size(); ++k) {
    const auto level = static_cast<uint8_t>(k);
    if (palette_[k] != PaletteEntry{level, level, level}) return false;
  }
  return true;
}

PaletteEntry Raster::ColourAt(int x, int y) const {
  const uint8_t* p = Row(y).data() + static_cast<size_t>(x) * BytesPerPixel();
  if (format_ == PixelFormat::kPalette8) return palette_[*p];
  return {p[2], p[1], p[0]};
}

}  // namespace norvane
