#include "cli/query_keys.hpp"

#include <cctype>

namespace norvane::cli {

std::optional<QueryLevel> LevelOption(const std::optional<std::string>& text) {
  if (!text) return QueryLevel::kStudy;
  std::string upper;
  for (const char c : *text)
    upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  return QueryLevelFromText(upper);
}

}  // namespace norvane::cli
