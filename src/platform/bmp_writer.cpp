#include "platform/bmp_writer.hpp"

#include "platform/replace_file.hpp"

namespace norvane {
namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch
constexpr uint32_t kPaletteEntries = 256;
constexpr uint32_t kPaletteEntrySize = 4;  // blue, green, red, reserved

void U16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void U32(std::vector<uint8_t>& out, uint32_t value) {
  U16(out, static_cast<uint16_t>(value));
  U16(out, static_cast<uint16_t>(value >> 16));
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const Raster& raster) {
  if (raster.Width() < 1 || raster.Height() < 1) return {};
  const bool palette = raster.Format() == PixelFormat::kPalette8;
  const uint32_t paletteSize = palette ? kPaletteEntries * kPaletteEntrySize : 0;
  const size_t rowSize = raster.Stride();
  const size_t paddedRowSize = (rowSize + 3) / 4 * 4;
  const uint32_t imageSize = static_cast<uint32_t>(paddedRowSize * raster.Height());
  const uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + paletteSize;

  std::vector<uint8_t> file;
  file.reserve(pixelOffset + imageSize);
  // BITMAPFILEHEADER
  file.push_back('B');
  file.push_back('M');
  U32(file, pixelOffset + imageSize);  // bfSize
  U16(file, 0);                        // bfReserved1
  U16(file, 0);                        // bfReserved2
  U32(file, pixelOffset);              // bfOffBits
  // BITMAPINFOHEADER
  U32(file, kInfoHeaderSize);                                    // biSize
  U32(file, static_cast<uint32_t>(raster.Width()));              // biWidth
  U32(file, static_cast<uint32_t>(raster.Height()));             // biHeight: rows bottom-up
  U16(file, 1);                                                  // biPlanes
  U16(file, static_cast<uint16_t>(raster.BytesPerPixel() * 8));  // biBitCount
  U32(file, 0);                                                  // biCompression: BI_RGB
  U32(file, imageSize);                                          // biSizeImage
  U32(file, kPixelsPerMetre);                                    // biXPelsPerMeter
  U32(file, kPixelsPerMetre);                                    // biYPelsPerMeter
  U32(file, palette ? kPaletteEntries : 0);                      // biClrUsed
  U32(file, 0);                                                  // biClrImportant
  if (palette) {
    for (const PaletteEntry& entry : raster.Palette()) {
      file.push_back(entry.blue);
      file.push_back(entry.green);
      file.push_back(entry.red);
      file.push_back(0);
    }
  }
  for (int y = raster.Height() - 1; y >= 0; --y) {
    const std::span<const uint8_t> row = raster.Row(y);
    file.insert(file.end(), row.begin(), row.end());
    file.insert(file.end(), paddedRowSize - rowSize, 0);
  }
  return file;
}

bool WriteBmpFile(const Raster& raster, const std::string& path) {
  const std::vector<uint8_t> file = EncodeBmp(raster);
  if (file.empty()) return false;
  FileReplacement replacement(path);
  return replacement.Open() && replacement.Write(file) && replacement.Commit();
}

}  // namespace norvane
