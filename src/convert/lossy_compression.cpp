#include "convert/lossy_compression.hpp"

#include <charconv>
#include <string>
#include <vector>

#include "elements/record_values.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

constexpr std::string_view kLossy = "01";
constexpr size_t kDecimalStringMax = 16;

// Where the top-level element `tag` stands in the list, or where it belongs: before the
// first top-level record with a higher tag. `found` tells which.
size_t TopLevelPosition(const TagList& list, Tag tag, bool& found) {
  found = false;
  const TopLevelRecords records(list);
  for (auto it = records.begin(); it != records.end(); ++it) {
    if (it->GetTag() == tag) found = true;
    if (it->GetTag() >= tag) return it.Index();
  }
  return list.size();
}

// The values of a top-level multi-valued text element, without pads; none when it is absent
// or empty.
std::vector<std::string> TopLevelValues(const TagList& list, Tag tag) {
  std::vector<std::string> values;
  const TagRecord* record = FindTopLevel(list, tag);
  if (record == nullptr) return values;
  const std::string_view text = TrimmedText(ValueText(*record));
  if (text.empty()) return values;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\\', start);
    values.emplace_back(TrimmedText(text.substr(start, end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return values;
}

void SetTopLevelText(TagList& list, Tag tag, std::string_view vr,
                     const std::vector<std::string>& values) {
  std::string text;
  for (const std::string& value : values) {
    if (!text.empty()) text += '\\';
    text += value;
  }
  if (text.size() % 2 != 0) text += ' ';
  TagRecord record = GenerateTextTag(tag, vr, text);
  bool found = false;
  const size_t at = TopLevelPosition(list, tag, found);
  if (found) {
    list[at] = std::move(record);
  } else {
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), std::move(record));
  }
}

// A Decimal String of at most 16 characters: two decimals, without trailing zeros.
std::string Ratio(uint64_t uncompressed, uint64_t compressed) {
  const double ratio =
      compressed == 0 ? 0.0 : static_cast<double>(uncompressed) / static_cast<double>(compressed);
  char text[64];
  const auto [end, error] =
      std::to_chars(text, text + sizeof(text), ratio, std::chars_format::fixed, 2);
  std::string_view value(text, error == std::errc() ? static_cast<size_t>(end - text) : 0);
  while (!value.empty() && value.back() == '0')
    value.remove_suffix(1);
  if (!value.empty() && value.back() == '.') value.remove_suffix(1);
  if (value.empty() || value.size() > kDecimalStringMax) return "0";
  return std::string(value);
}

}  // namespace

void MarkLossyCompression(TagList& list, const PixelDataOutcome& outcome) {
  if (!outcome.decodedLossy && !outcome.encodedLossy) return;
  const TagRecord* marked = FindTopLevel(list, tag::kLossyImageCompression);
  const bool alreadyLossy = marked != nullptr && TrimmedText(ValueText(*marked)) == kLossy;
  std::vector<std::string> ratios = TopLevelValues(list, tag::kLossyImageCompressionRatio);
  std::vector<std::string> methods = TopLevelValues(list, tag::kLossyImageCompressionMethod);
  if (outcome.decodedLossy && !alreadyLossy && ratios.empty() && methods.empty()) {
    ratios.push_back(Ratio(outcome.sampleBytes, outcome.decodedStreamBytes));
    methods.emplace_back(outcome.decodedMethod);
  }
  if (outcome.encodedLossy) {
    ratios.push_back(Ratio(outcome.sampleBytes, outcome.encodedStreamBytes));
    methods.emplace_back(outcome.encodedMethod);
  }
  SetTopLevelText(list, tag::kLossyImageCompression, "CS", {std::string(kLossy)});
  if (!ratios.empty()) SetTopLevelText(list, tag::kLossyImageCompressionRatio, "DS", ratios);
  if (!methods.empty()) SetTopLevelText(list, tag::kLossyImageCompressionMethod, "CS", methods);
}

}  // namespace norvane
