#pragma once

#include <compare>
#include <cstdint>

namespace norvane {

// A data element tag: group and element number. The named tags of the dictionary are in
// elements/tags.hpp.
struct Tag {
  uint16_t group = 0;
  uint16_t element = 0;

  // Group in the high half, element in the low half, as tables sort tags.
  constexpr uint32_t Value() const { return (uint32_t{group} << 16) | element; }
  friend constexpr bool operator==(Tag, Tag) = default;
  friend constexpr auto operator<=>(Tag a, Tag b) { return a.Value() <=> b.Value(); }
};

}  // namespace norvane
