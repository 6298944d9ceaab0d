#include "dump/dump_element.hpp"

#include <cstdio>
#include <string>

#include "datadec/buf_data.hpp"
#include "dictionary/dictionary.hpp"
#include "dump/dump_vr.hpp"
#include "dump/value_text.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"

namespace norvane {
namespace {

constexpr std::string_view kLevelPrefix = "...";
constexpr int32_t kLongestShownValue = 254;

}  // namespace

bool Exp_One_SQ(const TagRecord& record, TagList& out, bool explicitVR, bool bigEndian) {
  const bool trace = LogLevel() > 1;
  if (trace) WriteLog("dictionary::Exp_One_SQ::tag->length=" + std::to_string(record.length));
  BufData stream(bigEndian ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian, ValueBytes(record));
  size_t count = 0;
  while (stream.Remaining() > 0) {
    std::optional<TagRecord> element = stream.ReadElement(explicitVR);
    if (!element) return false;
    if (!explicitVR) LookupVR(*element);
    out.push_back(std::move(*element));
    ++count;
  }
  if (trace) WriteLog("dictionary::Exp_One_SQ::out->Count=" + std::to_string(count));
  return true;
}

bool DumpElement(const TagRecord& record, bool explicitVR, int depth) {
  const DumpVR vr = DumpVRFor(record, explicitVR);
  std::string line;
  for (int i = 1; i < depth; ++i)
    line += kLevelPrefix;
  const auto length = static_cast<int32_t>(record.length);
  char head[48];
  std::snprintf(head, sizeof head, "(%04X,%04X), %2d,\t", record.group, record.element,
                static_cast<int>(length));
  line += head;
  line += vr.Text();

  const bool nested = (record.Is(tag::kItem) && depth > 1) || vr.Is("SQ");
  if (nested && !record.HasUndefinedLength()) {
    WriteLog(line);
    if (depth >= kMaxDumpDepth) return false;
    TagList elements;
    if (!Exp_One_SQ(record, elements, explicitVR, false)) return false;
    for (const TagRecord& element : elements) {
      if (!DumpElement(element, explicitVR, depth + 1)) return false;
    }
    return true;
  }
  if (length <= kLongestShownValue) {
    line += ", \"";
    line += DumpValueText(record, vr.letters);
    line += "\" - ";
    line += vr.name;
  }
  WriteLog(line);
  return true;
}

}  // namespace norvane
