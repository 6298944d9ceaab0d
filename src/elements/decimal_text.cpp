#include "elements/decimal_text.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "elements/record_values.hpp"

namespace norvane {
namespace {

std::string_view WithoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\0'))
    text.remove_prefix(1);
  return text;
}

}  // namespace

int LeadingInteger(std::string_view text) {
  text = WithoutLeadingBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    if (value <= std::numeric_limits<int>::max()) value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

float DecimalNumber(std::string_view text) {
  text = WithoutLeadingBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  float value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() ? value : 0.0f;
}

std::optional<double> FirstDecimalValue(std::string_view text) {
  text = TrimmedText(text.substr(0, text.find('\\')));
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace norvane
