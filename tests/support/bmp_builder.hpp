#pragma once

// Windows bitmap files built byte by byte for tests: file header, info (or core) header,
// bit-field masks, colour table and pixel rows as the test gives them.

#include <cstdint>
#include <string>
#include <vector>

namespace norvane::testing {

struct BmpColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};

struct BmpSpec {
  int32_t width = 1;
  int32_t height = 1;  // negative: rows stored top first
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;  // 12 for the core header
  uint32_t colorsUsed = 0;
  std::vector<BmpColour> palette;
  std::vector<uint32_t> masks;  // red, green, blue: after a 40-byte header, else inside it
};

class BmpBuilder {
 public:
  // Pixel bytes in file order (rows already padded by the caller, or run-length codes).
  static std::vector<uint8_t> File(const BmpSpec& spec, const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> header;
    const bool core = spec.headerSize == 12;
    U32(header, spec.headerSize);
    if (core) {
      U16(header, static_cast<uint16_t>(spec.width));
      U16(header, static_cast<uint16_t>(spec.height));
      U16(header, 1);
      U16(header, spec.bitCount);
    } else {
      U32(header, static_cast<uint32_t>(spec.width));
      U32(header, static_cast<uint32_t>(spec.height));
      U16(header, 1);
      U16(header, spec.bitCount);
      U32(header, spec.compression);
      U32(header, static_cast<uint32_t>(pixels.size()));
      U32(header, 2835);
      U32(header, 2835);
      U32(header, spec.colorsUsed);
      U32(header, 0);
      if (spec.headerSize > 40) {
        for (size_t i = 0; i < 3; ++i)
          U32(header, i < spec.masks.size() ? spec.masks[i] : 0);
        header.resize(spec.headerSize, 0);
      } else {
        for (uint32_t mask : spec.masks)
          U32(header, mask);
      }
    }
    for (const BmpColour& c : spec.palette) {
      header.push_back(c.blue);
      header.push_back(c.green);
      header.push_back(c.red);
      if (!core) header.push_back(0);
    }
    std::vector<uint8_t> file = {'B', 'M'};
    U32(file, static_cast<uint32_t>(14 + header.size() + pixels.size()));
    U32(file, 0);
    U32(file, static_cast<uint32_t>(14 + header.size()));
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
  }

  // Rows of whole bytes, each padded with zeros to a multiple of 4.
  static std::vector<uint8_t> Rows(const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<uint8_t> out;
    for (const std::vector<uint8_t>& row : rows) {
      out.insert(out.end(), row.begin(), row.end());
      out.resize(out.size() + (4 - row.size() % 4) % 4, 0);
    }
    return out;
  }

 private:
  static void U16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  static void U32(std::vector<uint8_t>& out, uint32_t v) {
    U16(out, static_cast<uint16_t>(v));
    U16(out, static_cast<uint16_t>(v >> 16));
  }
};

}  // namespace norvane::testing
