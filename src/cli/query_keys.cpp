#include "cli/query_keys.hpp"

#include <cctype>

#include "dimse/query_responses.hpp"

namespace norvane::cli {

std::string WrapNames(std::string_view names, size_t indent, size_t width) {
  std::string text;
  size_t column = indent;
  size_t at = 0;
  while (at < names.size()) {
    size_t end = names.find(", ", at);
    const bool last = end == std::string_view::npos;
    if (last) end = names.size();
    const std::string_view word = names.substr(at, end - at + (last ? 0 : 1));  // with its comma
    if (column > indent && column + 1 + word.size() > width) {
      text += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (column > indent) {
      text += ' ';
      ++column;
    }
    text += word;
    column += word.size();
    at = last ? names.size() : end + 2;
  }
  return text + "\n";
}

std::string LevelText(const std::optional<std::string>& text) {
  if (!text) return "STUDY";
  std::string upper;
  for (const char c : *text)
    upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  return upper;
}

std::optional<QueryLevel> LevelOption(const std::optional<std::string>& text) {
  return QueryLevelFromText(LevelText(text));
}

std::optional<size_t> MaxResultsOption(const ParsedArgs& args, std::string& problem) {
  const std::optional<std::string> text = args.Value("--max-results");
  if (!text) return kDefaultMaxResults;
  const std::optional<long> n = ParseNumber(*text);
  if (!n) {
    problem = "--max-results needs a whole number, not '" + *text + "'";
    return std::nullopt;
  }
  return static_cast<size_t>(*n);
}

}  // namespace norvane::cli
