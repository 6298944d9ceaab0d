#include "convert/transcode_sequence.hpp"

#include "convert/value_swap.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/element_reader.hpp"
#include "datadec/expand_sequence.hpp"
#include "dictionary/dictionary.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

struct Encodings {
  bool sourceExplicit;
  ByteOrder sourceOrder;
  bool targetExplicit;
  ByteOrder targetOrder;
};

bool Transcode(const TagRecord& record, TagList& out, const Encodings& e, int depth) {
  if (depth > kMaxSequenceDepth) return false;
  const bool swap = e.sourceOrder != e.targetOrder;
  ElementReader reader(ValueBytes(record), e.sourceExplicit,
                       e.sourceOrder == ByteOrder::kBigEndian);
  while (!reader.AtEnd()) {
    std::optional<TagRecord> element = ReadElement(reader);
    if (!element) return false;
    if (!element->HasVR()) LookupVR(*element);
    if (HoldsEncodedContent(*element)) {
      TagList content;
      if (!Transcode(*element, content, e, depth + 1)) return false;
      if (!EncodeList(*element, content, e.targetExplicit, e.targetOrder)) return false;
    } else if (swap) {
      SwapBytes(element->value, SwapUnit(element->vr));
    }
    out.push_back(std::move(*element));
  }
  return true;
}

}  // namespace

bool TranscodeSequence(const TagRecord& record, TagList& out, bool sourceExplicit,
                       ByteOrder sourceOrder, bool targetExplicit, ByteOrder targetOrder) {
  const size_t before = out.size();
  const Encodings encodings{sourceExplicit, sourceOrder, targetExplicit, targetOrder};
  if (Transcode(record, out, encodings, 1)) return true;
  out.resize(before);
  return false;
}

bool EncodeList(TagRecord& record, const TagList& list, bool explicitVR, ByteOrder order) {
  const size_t size = EncodedLength(list, explicitVR);
  if (size >= kUndefinedLength) return false;
  std::vector<uint8_t> value(size);
  if (!EncodeTags(list, value, explicitVR, order)) return false;
  record.length = static_cast<uint32_t>(size);
  record.value = std::move(value);
  return true;
}

}  // namespace norvane
