#pragma once

#include <cstdint>

namespace norvane {

// Byte order of the numbers in an encoded dataset or stream. Value bytes are never
// swapped by the codec; only tags and lengths follow this order.
enum class ByteOrder : uint8_t { kLittleEndian, kBigEndian };

inline uint16_t LoadU16(const uint8_t* p, bool bigEndian) {
  return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1])
                   : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t LoadU32(const uint8_t* p, bool bigEndian) {
  if (bigEndian) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  }
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

inline void StoreU16(uint8_t* p, uint16_t v, bool bigEndian) {
  const uint8_t hi = static_cast<uint8_t>(v >> 8);
  const uint8_t lo = static_cast<uint8_t>(v);
  p[0] = bigEndian ? hi : lo;
  p[1] = bigEndian ? lo : hi;
}

inline void StoreU32(uint8_t* p, uint32_t v, bool bigEndian) {
  for (int i = 0; i < 4; ++i) {
    const int shift = bigEndian ? 24 - 8 * i : 8 * i;
    p[i] = static_cast<uint8_t>(v >> shift);
  }
}

}  // namespace norvane
