#include "convert/value_swap.hpp"

#include <algorithm>

namespace norvane {

size_t SwapUnit(const char vr[2]) {
  const char a = vr[0];
  const char b = vr[1];
  if ((a == 'U' && b == 'S') || (a == 'S' && b == 'S') || (a == 'O' && b == 'W') ||
      (a == 'A' && b == 'T')) {
    return 2;
  }
  if ((a == 'U' && b == 'L') || (a == 'S' && b == 'L') || (a == 'F' && b == 'L') ||
      (a == 'O' && b == 'F') || (a == 'O' && b == 'L')) {
    return 4;
  }
  if ((a == 'F' && b == 'D') || (a == 'O' && b == 'D')) return 8;
  return 1;
}

void SwapBytes(std::span<uint8_t> value, size_t unit) {
  if (unit < 2) return;
  const size_t whole = value.size() - value.size() % unit;
  for (size_t at = 0; at < whole; at += unit) {
    std::reverse(value.begin() + static_cast<ptrdiff_t>(at),
                 value.begin() + static_cast<ptrdiff_t>(at + unit));
  }
}

}  // namespace norvane
