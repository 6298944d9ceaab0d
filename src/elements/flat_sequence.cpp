#include "elements/flat_sequence.hpp"

#include <utility>

#include "elements/tags.hpp"

namespace norvane {
namespace {

constexpr std::string_view kItemVR = "DL";

TagRecord ItemOrDelimiter(Tag tag, uint32_t length) {
  TagRecord record;
  record.group = tag.group;
  record.element = tag.element;
  record.SetVR(kItemVR);
  record.length = length;
  return record;
}

}  // namespace

TagRecord UndefinedLengthHeader(Tag tag, std::string_view vr) {
  TagRecord record;
  record.group = tag.group;
  record.element = tag.element;
  record.SetVR(vr);
  record.length = kUndefinedLength;
  return record;
}

TagRecord ItemHeader() {
  return ItemOrDelimiter(tag::kItem, kUndefinedLength);
}

TagRecord ItemRecord(std::vector<uint8_t> value) {
  TagRecord record = ItemOrDelimiter(tag::kItem, static_cast<uint32_t>(value.size()));
  record.value = std::move(value);
  return record;
}

TagRecord ItemDelimiter() {
  return ItemOrDelimiter(tag::kItemDelimitationItem, 0);
}

TagRecord SequenceDelimiter() {
  return ItemOrDelimiter(tag::kSequenceDelimitationItem, 0);
}

bool HoldsEncodedContent(const TagRecord& record) {
  return record.HasValue() && (record.Is(tag::kItem) || record.VRIs("SQ"));
}

}  // namespace norvane
