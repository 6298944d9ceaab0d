#include "platform/bmp_file.hpp"

#include <algorithm>
#include <array>
#include <bit>

#include "platform/file_bytes.hpp"

namespace norvane {
namespace {

// BITMAPFILEHEADER: "BM", file size, two reserved words, offset of the pixel rows.
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kPixelOffsetAt = 10;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;

// biCompression values.
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitFields = 3;
constexpr uint32_t kCompressionAlphaBitFields = 6;

uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
         (uint32_t{b[at + 3]} << 24);
}

// One colour channel of a packed pixel, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    bits = std::countr_one(mask >> shift);
  }
  uint8_t Level(uint32_t pixel) const {
    if (bits == 0) return 0;
    const uint64_t value = (uint64_t{pixel} & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
    return static_cast<uint8_t>(value * 255 / ((uint64_t{1} << bits) - 1));
  }
};

struct DibHeader {
  size_t headerSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // rows, always positive
  bool topDown = false;
  uint16_t bitCount = 0;
  uint32_t compression = kCompressionRgb;
  uint32_t colorsUsed = 0;
  std::array<uint32_t, 3> masks{};  // red, green, blue
  size_t paletteAt = 0;
  size_t paletteEntrySize = 4;
  size_t pixelsAt = 0;
};

BmpStatus ReadHeader(std::span<const uint8_t> file, DibHeader& h) {
  if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') {
    return BmpStatus::kNotABitmap;
  }
  h.pixelsAt = U32(file, kPixelOffsetAt);
  h.headerSize = U32(file, kFileHeaderSize);
  if (h.headerSize != kCoreHeaderSize && h.headerSize != 40 && h.headerSize != 52 &&
      h.headerSize != 56 && h.headerSize != 108 && h.headerSize != 124) {
    return BmpStatus::kUnsupportedFormat;
  }
  if (h.headerSize > file.size() - kFileHeaderSize) return BmpStatus::kNotABitmap;
  const size_t at = kFileHeaderSize;
  if (h.headerSize == kCoreHeaderSize) {
    h.width = U16(file, at + 4);
    h.height = U16(file, at + 6);
    h.bitCount = U16(file, at + 10);
    h.paletteEntrySize = 3;
    h.paletteAt = at + h.headerSize;
    return BmpStatus::kOk;
  }
  h.width = static_cast<int32_t>(U32(file, at + 4));
  const int64_t height = static_cast<int32_t>(U32(file, at + 8));
  h.topDown = height < 0;
  h.height = height < 0 ? -height : height;
  h.bitCount = U16(file, at + 14);
  h.compression = U32(file, at + 16);
  h.colorsUsed = U32(file, at + 32);
  h.paletteAt = at + h.headerSize;
  if (h.compression == kCompressionBitFields || h.compression == kCompressionAlphaBitFields) {
    // The masks end the larger headers; a plain info header is followed by them.
    size_t masksAt = at + kInfoHeaderSize;
    if (h.headerSize == kInfoHeaderSize) {
      const size_t count = h.compression == kCompressionAlphaBitFields ? 4 : 3;
      if (file.size() < masksAt + 4 * count) return BmpStatus::kNotABitmap;
      h.paletteAt += 4 * count;
    }
    for (size_t c = 0; c < 3; ++c)
      h.masks[c] = U32(file, masksAt + 4 * c);
  } else if (h.bitCount == 16) {
    h.masks = {0x7C00, 0x03E0, 0x001F};
  }
  return BmpStatus::kOk;
}

bool KnownLayout(const DibHeader& h) {
  switch (h.compression) {
    case kCompressionRgb:
      return h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 || h.bitCount == 16 ||
             h.bitCount == 24 || h.bitCount == 32;
    case kCompressionRle8:
      return h.bitCount == 8;
    case kCompressionRle4:
      return h.bitCount == 4;
    case kCompressionBitFields:
    case kCompressionAlphaBitFields:
      return h.bitCount == 16 || h.bitCount == 32;
    default:
      return false;
  }
}

// The colour table: as many entries as the header says (all 2^bits when it says 0), at
// most 256, and no more than the file holds.
std::array<PaletteEntry, 256> ReadPalette(std::span<const uint8_t> file, const DibHeader& h) {
  std::array<PaletteEntry, 256> palette{};
  // The table ends where the pixel rows begin.
  const size_t end =
      h.pixelsAt > h.paletteAt && h.pixelsAt <= file.size() ? h.pixelsAt : file.size();
  if (h.bitCount > 8 || h.paletteAt >= end) return palette;
  size_t count = h.colorsUsed != 0 ? h.colorsUsed : size_t{1} << h.bitCount;
  count = std::min({count, palette.size(), (end - h.paletteAt) / h.paletteEntrySize});
  for (size_t i = 0; i < count; ++i) {
    const size_t at = h.paletteAt + i * h.paletteEntrySize;
    palette[i] = {file[at + 2], file[at + 1], file[at]};
  }
  return palette;
}

int RowOf(const DibHeader& h, int64_t fileRow) {
  return static_cast<int>(h.topDown ? fileRow : h.height - 1 - fileRow);
}

void PutColour(std::span<uint8_t> row, int64_t x, PaletteEntry colour) {
  uint8_t* p = row.data() + 3 * x;
  p[0] = colour.blue;
  p[1] = colour.green;
  p[2] = colour.red;
}

// Uncompressed and bit-field rows: each padded to a multiple of 4 bytes in the file.
struct RowLayout {
  uint64_t stride = 0;
  uint64_t rowBytes = 0;

  explicit RowLayout(const DibHeader& h) {
    const uint64_t rowBits = static_cast<uint64_t>(h.width) * h.bitCount;
    stride = (rowBits + 31) / 32 * 4;
    rowBytes = (rowBits + 7) / 8;
  }
};

// The file holds every row; the last one may lack its padding.
bool RowsPresent(std::span<const uint8_t> file, const DibHeader& h) {
  const RowLayout layout(h);
  const uint64_t needed = layout.stride * static_cast<uint64_t>(h.height - 1) + layout.rowBytes;
  return h.pixelsAt <= file.size() && needed <= file.size() - h.pixelsAt;
}

void DecodeRows(std::span<const uint8_t> file, const DibHeader& h,
                const std::array<PaletteEntry, 256>& palette, Raster& raster) {
  const RowLayout layout(h);
  const uint64_t stride = layout.stride;
  const uint64_t rowBytes = layout.rowBytes;

  const Channel red(h.masks[0]);
  const Channel green(h.masks[1]);
  const Channel blue(h.masks[2]);
  const bool plain32 =
      h.bitCount == 32 && (h.compression == kCompressionRgb ||
                           (h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF));
  for (int64_t r = 0; r < h.height; ++r) {
    const uint8_t* src = file.data() + h.pixelsAt + r * stride;
    const std::span<uint8_t> row = raster.Row(RowOf(h, r));
    if (h.bitCount == 8 || h.bitCount == 24 || plain32) {
      std::copy(src, src + rowBytes, row.begin());
      continue;
    }
    for (int64_t x = 0; x < h.width; ++x) {
      if (h.bitCount == 1 || h.bitCount == 4) {
        const uint64_t bit = static_cast<uint64_t>(x) * h.bitCount;
        const int shift = static_cast<int>(8 - h.bitCount - bit % 8);
        const uint8_t index = (src[bit / 8] >> shift) & ((1 << h.bitCount) - 1);
        PutColour(row, x, palette[index]);
        continue;
      }
      const uint32_t pixel = h.bitCount == 16 ? U16(file, h.pixelsAt + r * stride + 2 * x)
                                              : U32(file, h.pixelsAt + r * stride + 4 * x);
      uint8_t* p = row.data() + x * static_cast<int64_t>(raster.BytesPerPixel());
      p[0] = blue.Level(pixel);
      p[1] = green.Level(pixel);
      p[2] = red.Level(pixel);
    }
  }
}

// A run-length picture far larger than its codes could fill is refused before anything is
// allocated: a run of 2 bytes gives at most 255 pixels, so beyond small pictures more than
// 1024 pixels per byte of codes can only be skipped background.
bool PlausibleRunLength(std::span<const uint8_t> file, const DibHeader& h) {
  constexpr uint64_t kAlwaysAllowed = uint64_t{1} << 20;
  constexpr uint64_t kPixelsPerByte = 1024;
  const uint64_t pixels = static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height);
  const uint64_t codes = h.pixelsAt < file.size() ? file.size() - h.pixelsAt : 0;
  return pixels <= kAlwaysAllowed || pixels <= kPixelsPerByte * codes;
}

// Run-length encoded rows (RLE8, RLE4) into palette indices. Runs and deltas that reach
// past the picture are cut at its edge.
BmpStatus DecodeRunLength(std::span<const uint8_t> file, const DibHeader& h,
                          std::vector<uint8_t>& indices) {
  indices.assign(static_cast<size_t>(h.width * h.height), 0);
  const bool four = h.compression == kCompressionRle4;
  int64_t x = 0;
  int64_t row = 0;
  auto put = [&](uint8_t index) {
    if (x < h.width && row < h.height) {
      indices[static_cast<size_t>(RowOf(h, row) * h.width + x)] = index;
    }
    ++x;
  };
  if (h.pixelsAt > file.size()) return BmpStatus::kTruncated;
  size_t at = h.pixelsAt;
  while (row < h.height) {
    if (file.size() - at < 2) return BmpStatus::kTruncated;
    const uint8_t count = file[at];
    const uint8_t code = file[at + 1];
    at += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(four ? (i % 2 == 0 ? code >> 4 : code & 0x0F) : code);
    } else if (code == 0) {  // end of line
      x = 0;
      ++row;
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // delta
      if (file.size() - at < 2) return BmpStatus::kTruncated;
      x += file[at];
      row += file[at + 1];
      at += 2;
    } else {  // `code` literal pixels, padded to an even number of bytes
      const size_t bytes = four ? (code + 1u) / 2 : code;
      const size_t padded = bytes + bytes % 2;
      if (file.size() - at < padded) return BmpStatus::kTruncated;
      for (int i = 0; i < code; ++i) {
        const uint8_t b = file[at + (four ? i / 2 : i)];
        put(four ? (i % 2 == 0 ? b >> 4 : b & 0x0F) : b);
      }
      at += padded;
    }
  }
  return BmpStatus::kOk;
}

}  // namespace

std::string_view Describe(BmpStatus status) {
  switch (status) {
    case BmpStatus::kOk:
      return "read";
    case BmpStatus::kCannotOpen:
      return "cannot be opened";
    case BmpStatus::kNotABitmap:
      return "not a bitmap file";
    case BmpStatus::kUnsupportedFormat:
      return "bitmap format not supported";
    case BmpStatus::kBadSize:
      return "bitmap size not supported";
    case BmpStatus::kTruncated:
      return "bitmap file cut short";
  }
  return "unknown";
}

BmpPicture DecodeBmp(std::span<const uint8_t> file) {
  BmpPicture picture;
  DibHeader h;
  picture.status = ReadHeader(file, h);
  if (picture.status != BmpStatus::kOk) return picture;
  picture.bitCount = h.bitCount;
  if (!KnownLayout(h)) {
    picture.status = BmpStatus::kUnsupportedFormat;
    return picture;
  }
  if (h.width < 1 || h.height < 1 ||
      static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height) > kMaxPicturePixels) {
    picture.status = BmpStatus::kBadSize;
    return picture;
  }
  const bool runLength = h.compression == kCompressionRle8 || h.compression == kCompressionRle4;
  // Nothing is allocated for rows the file does not hold.
  if (!runLength && !RowsPresent(file, h)) {
    picture.status = BmpStatus::kTruncated;
    return picture;
  }
  if (runLength && !PlausibleRunLength(file, h)) {
    picture.status = BmpStatus::kBadSize;
    return picture;
  }
  const std::array<PaletteEntry, 256> palette = ReadPalette(file, h);
  const PixelFormat format = h.bitCount == 8    ? PixelFormat::kPalette8
                             : h.bitCount == 32 ? PixelFormat::kBgrx32
                                                : PixelFormat::kBgr24;
  std::optional<Raster> raster =
      Raster::Create(static_cast<int>(h.width), static_cast<int>(h.height), format);
  if (!raster) {
    picture.status = BmpStatus::kBadSize;
    return picture;
  }
  if (format == PixelFormat::kPalette8) raster->Palette() = palette;

  if (runLength) {
    std::vector<uint8_t> indices;
    picture.status = DecodeRunLength(file, h, indices);
    if (picture.status != BmpStatus::kOk) return picture;
    for (int y = 0; y < raster->Height(); ++y) {
      const std::span<uint8_t> row = raster->Row(y);
      const uint8_t* src = indices.data() + static_cast<size_t>(y) * raster->Width();
      for (int x = 0; x < raster->Width(); ++x) {
        if (format == PixelFormat::kPalette8) {
          row[x] = src[x];
        } else {
          PutColour(row, x, palette[src[x]]);
        }
      }
    }
  } else {
    DecodeRows(file, h, palette, *raster);
  }
  picture.raster = std::move(raster);
  return picture;
}

BmpPicture ReadBmpFile(const std::string& path) {
  const std::optional<std::vector<uint8_t>> bytes = LoadFileBytes(path);
  if (!bytes) return BmpPicture{};
  return DecodeBmp(*bytes);
}

}  // namespace norvane
