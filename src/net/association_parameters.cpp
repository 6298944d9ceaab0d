#include "net/association_parameters.hpp"

#include <cstdio>

namespace norvane {

std::string DurationText(std::chrono::milliseconds duration) {
  const long long ms = duration.count();
  if (ms < 1000) return std::to_string(ms) + " ms";
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + " s";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
  return text;
}

}  // namespace norvane
