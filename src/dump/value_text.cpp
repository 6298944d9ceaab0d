#include "dump/value_text.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>

#include "elements/tag_list.hpp"

namespace norvane {
namespace {

bool VRIs(const char vr[2], const char* letters) {
  return vr[0] == letters[0] && vr[1] == letters[1];
}

constexpr char kVector[] = "Vector!!";

// Up to four value bytes as the low bytes of a zeroed little-endian 32-bit number.
uint32_t LowBytes(std::span<const uint8_t> value) {
  uint32_t number = 0;
  for (size_t i = 0; i < value.size() && i < 4; ++i)
    number |= uint32_t{value[i]} << (8 * i);
  return number;
}

}  // namespace

std::string DumpValueText(const TagRecord& record, const char vr[2]) {
  if (!record.HasValue()) return {};
  const std::span<const uint8_t> value = ValueBytes(record);
  char text[64];
  if (VRIs(vr, "FL") || VRIs(vr, "FD")) {
    if (record.length > 4) return kVector;
    std::snprintf(text, sizeof text, "%5.2f",
                  static_cast<double>(std::bit_cast<float>(LowBytes(value))));
    return text;
  }
  if (VRIs(vr, "SL") || VRIs(vr, "SS") || VRIs(vr, "UL") || VRIs(vr, "US")) {
    if (record.length > 4) return kVector;
    std::snprintf(text, sizeof text, "%d", static_cast<int32_t>(LowBytes(value)));
    return text;
  }
  const auto end = std::find(value.begin(), value.end(), uint8_t{0});
  return std::string(value.begin(), end);
}

}  // namespace norvane
