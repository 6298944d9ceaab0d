#include "datadec/expand_sequence.hpp"

#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

bool ExpandInto(const ElementReaderState& state, const TagRecord& record, TagList& out, int depth) {
  if (depth > kMaxSequenceDepth || record.HasUndefinedLength()) return false;

  // The header keeps the record's own VR: an Item read from a value has none.
  out.push_back(UndefinedLengthHeader(record.GetTag(), record.VRText()));

  ElementReader reader(ValueBytes(record), state.explicitVR, state.bigEndian, state.inMetaGroup);
  while (!reader.AtEnd()) {
    std::optional<TagRecord> element = ReadElement(reader);
    if (!element) return false;
    if (HoldsEncodedContent(*element)) {
      if (!ExpandInto(state, *element, out, depth + 1)) return false;
    } else {
      out.push_back(std::move(*element));
    }
  }

  out.push_back(record.VRIs("SQ") ? SequenceDelimiter() : ItemDelimiter());
  return true;
}

}  // namespace

bool ExpandSequence(const ElementReaderState& state, const TagRecord& record, TagList& out) {
  const size_t before = out.size();
  if (ExpandInto(state, record, out, 1)) return true;
  out.resize(before);
  return false;
}

}  // namespace norvane
