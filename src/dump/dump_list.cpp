#include "dump/dump_list.hpp"

#include <cstdio>

#include "dictionary/dictionary.hpp"
#include "dictionary/windows1252.hpp"
#include "dump/dump_vr.hpp"
#include "dump/value_text.hpp"
#include "elements/tags.hpp"
#include "platform/terminal_text.hpp"

namespace norvane {
namespace {

constexpr std::string_view kItemPrefix = ".....";
constexpr uint32_t kLongestShownValue = 255;

std::string Line(const char* format, auto... args) {
  const int size = std::snprintf(nullptr, 0, format, args...);
  std::string line(static_cast<size_t>(size), '\0');
  std::snprintf(line.data(), line.size() + 1, format, args...);
  return line;
}

std::string Prefix(long long itemDepth) {
  std::string prefix;
  for (long long i = 0; i < itemDepth; ++i)
    prefix += kItemPrefix;
  return prefix;
}

std::string RecordLine(const TagRecord& record, bool explicitVR, const DumpListOptions& options) {
  const DumpVR vr = DumpVRFor(record, explicitVR);
  const std::string name(options.terminalText ? Windows1252ToUtf8(vr.name) : vr.name);
  const std::string vrText =
      options.terminalText ? TerminalText(vr.Text()) : std::string(vr.Text());
  if (!record.HasValue()) {
    return Line("(%04X, %04X), %s - %s", record.group, record.element, vrText.c_str(),
                name.c_str());
  }
  if (record.length > kLongestShownValue) {
    return Line("(%04X, %04X), %lu, %s - %s", record.group, record.element,
                static_cast<unsigned long>(record.length), vrText.c_str(), name.c_str());
  }
  std::string value = DumpValueText(record, vr.letters);
  if (options.terminalText) value = TerminalText(value);
  return Line("(%04X, %04X), %lu, %s  \"%s\" - %s", record.group, record.element,
              static_cast<unsigned long>(record.length), vrText.c_str(), value.c_str(),
              name.c_str());
}

}  // namespace

void DumpList(const TagList& list, const DumpSink& sink, bool explicitVR, DumpListOptions options) {
  // Counted past the shown depth, so that the dump picks up again where the nesting ends.
  long long itemDepth = 0;
  bool limitShown = false;
  for (const TagRecord& record : list) {
    if (itemDepth <= kMaxDumpListDepth) {
      sink(Prefix(itemDepth) + RecordLine(record, explicitVR, options));
      limitShown = false;
    } else if (!limitShown) {
      sink(Prefix(kMaxDumpListDepth) + std::string(kDumpDepthLimitText));
      limitShown = true;
    }
    // Only an item of undefined length is followed by its content and a delimiter.
    if (record.Is(tag::kItem) && record.HasUndefinedLength()) ++itemDepth;
    if (record.Is(tag::kItemDelimitationItem) && itemDepth > 0) --itemDepth;
  }
}

void DumpList(const TagList& list, std::vector<std::string>& lines, bool explicitVR) {
  DumpList(
      list, [&lines](std::string_view line) { lines.emplace_back(line); }, explicitVR);
}

}  // namespace norvane
