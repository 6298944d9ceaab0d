#include "dump/dump_list.hpp"

#include <cstdio>

#include "dictionary/dictionary.hpp"
#include "dump/dump_vr.hpp"
#include "dump/value_text.hpp"
#include "elements/tags.hpp"

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

}  // namespace

void DumpList(const TagList& list, const DumpSink& sink, bool explicitVR) {
  int itemDepth = 0;
  for (const TagRecord& record : list) {
    const DumpVR vr = DumpVRFor(record, explicitVR);
    const std::string name(vr.name);
    const std::string vrText(vr.Text());
    std::string line;
    for (int i = 0; i < itemDepth; ++i)
      line += kItemPrefix;
    if (record.HasValue()) {
      if (record.length > kLongestShownValue) {
        line += Line("(%04X, %04X), %lu, %s - %s", record.group, record.element,
                     static_cast<unsigned long>(record.length), vrText.c_str(), name.c_str());
      } else {
        const std::string value = DumpValueText(record, vr.letters);
        line += Line("(%04X, %04X), %lu, %s  \"%s\" - %s", record.group, record.element,
                     static_cast<unsigned long>(record.length), vrText.c_str(), value.c_str(),
                     name.c_str());
      }
    } else {
      line +=
          Line("(%04X, %04X), %s - %s", record.group, record.element, vrText.c_str(), name.c_str());
    }
    sink(line);
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
