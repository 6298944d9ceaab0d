#include "datadec/expand_sequence.hpp"

#include "elements/tag_list.hpp"

namespace norvane {
namespace {

TagRecord Delimiter(uint16_t element) {
  TagRecord record;
  record.group = kItemGroup;
  record.element = element;
  record.SetVR("DL");
  return record;
}

bool ExpandInto(const ElementReaderState& state, const TagRecord& record, TagList& out, int depth) {
  if (depth > kMaxSequenceDepth || record.HasUndefinedLength()) return false;

  TagRecord header;
  header.group = record.group;
  header.element = record.element;
  header.vr[0] = record.vr[0];
  header.vr[1] = record.vr[1];
  header.length = kUndefinedLength;
  out.push_back(std::move(header));

  ElementReader reader(ValueBytes(record), state.explicitVR, state.bigEndian, state.inMetaGroup);
  while (!reader.AtEnd()) {
    std::optional<TagRecord> element = ReadElement(reader);
    if (!element) return false;
    const bool nested =
        element->HasValue() && (element->Is(kItemGroup, kItemElement) || element->VRIs("SQ"));
    if (nested) {
      if (!ExpandInto(state, *element, out, depth + 1)) return false;
    } else {
      out.push_back(std::move(*element));
    }
  }

  out.push_back(
      Delimiter(record.VRIs("SQ") ? kSequenceDelimitationElement : kItemDelimitationElement));
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
