#include "ecg/element_values.hpp"

#include <charconv>
#include <cmath>

#include "elements/byte_order.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

bool IsPadding(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsPadding(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsPadding(text.back()))
    text.remove_suffix(1);
  return text;
}

}  // namespace

std::string TrimmedValueText(const TagRecord& record) {
  const std::span<const uint8_t> bytes = ValueBytes(record);
  return std::string(
      Trimmed(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

std::optional<double> FirstDecimalValue(std::string_view text) {
  text = text.substr(0, text.find('\\'));
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

uint16_t FirstUS(const TagRecord& record) {
  const std::span<const uint8_t> bytes = ValueBytes(record);
  return bytes.size() >= 2 ? LoadU16(bytes.data(), false) : 0;
}

uint32_t FirstUL(const TagRecord& record) {
  const std::span<const uint8_t> bytes = ValueBytes(record);
  return bytes.size() >= 4 ? LoadU32(bytes.data(), false) : 0;
}

}  // namespace norvane
