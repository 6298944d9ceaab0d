#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "wire.hpp"

namespace norvane::testing {

// An SCP/SCU role selection sub-item (0x54) for one SOP class.
inline Bytes RoleItem(std::string_view uid, uint8_t scu, uint8_t scp) {
  return WireBuilder()
      .U8(0x54)
      .U8(0)
      .U16(static_cast<uint16_t>(uid.size() + 4))
      .U16(static_cast<uint16_t>(uid.size()))
      .Text(uid)
      .U8(scu)
      .U8(scp)
      .bytes();
}

inline bool HasBytes(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

}  // namespace norvane::testing
