#include "database/nested_dataset.hpp"

#include <span>

#include "datadec/element_reader.hpp"
#include "dictionary/dictionary.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

// Reads flat lists: the records of one level up to its end, items and sequences nested.
class Nester {
 public:
  explicit Nester(bool explicitVR) : explicitVR_(explicitVR) {}

  // The elements of `list` from `next` on, up to an Item Delimitation Item (consumed) or a
  // Sequence Delimitation Item (left to the sequence that reads it) or the end.
  bool Elements(std::span<const TagRecord> list, size_t& next, int depth, NestedItem& out) {
    if (depth > kMaxNesting) return false;
    while (next < list.size()) {
      const TagRecord& record = list[next];
      if (record.Is(tag::kItemDelimitationItem)) {
        ++next;
        return true;
      }
      if (record.Is(tag::kSequenceDelimitationItem)) return true;
      ++next;
      if (record.group == kItemGroup) continue;  // a stray item: not an element
      NestedElement element;
      element.record = record;
      if (!element.record.HasVR()) LookupVR(element.record);
      // An element of undefined length can only be a sequence here: no pixel data is nested.
      element.sequence = element.record.VRIs("SQ") || record.HasUndefinedLength();
      if (element.sequence) {
        element.record.value.clear();
        element.record.length = 0;
        const bool read = record.HasUndefinedLength()
                              ? Items(list, next, depth + 1, element.items)
                              : ItemsOfValue(ValueBytes(record), depth + 1, element.items);
        if (!read) return false;
      }
      out.push_back(std::move(element));
    }
    return true;
  }

 private:
  // The items of a sequence of undefined length, up to its delimiter (consumed).
  bool Items(std::span<const TagRecord> list, size_t& next, int depth,
             std::vector<NestedItem>& items) {
    while (next < list.size()) {
      const TagRecord& record = list[next++];
      if (record.Is(tag::kSequenceDelimitationItem)) return true;
      if (!record.Is(tag::kItem)) return false;
      NestedItem item;
      const bool read = record.HasUndefinedLength()
                            ? Elements(list, next, depth + 1, item)
                            : ElementsOfValue(ValueBytes(record), depth + 1, item);
      if (!read) return false;
      items.push_back(std::move(item));
    }
    return true;  // a list that ends inside the sequence ends it
  }

  bool ItemsOfValue(std::span<const uint8_t> value, int depth, std::vector<NestedItem>& items) {
    std::optional<TagList> flat = Records(value);
    size_t next = 0;
    return flat && Items(*flat, next, depth, items) && next == flat->size();
  }

  bool ElementsOfValue(std::span<const uint8_t> value, int depth, NestedItem& item) {
    std::optional<TagList> flat = Records(value);
    size_t next = 0;
    return flat && Elements(*flat, next, depth, item) && next == flat->size();
  }

  // The records of an encoded value, items and delimiters included, each as it stands.
  std::optional<TagList> Records(std::span<const uint8_t> value) const {
    ElementReader reader(value, explicitVR_, false);
    TagList records;
    while (!reader.AtEnd()) {
      std::optional<TagRecord> record = ReadElement(reader);
      if (!record) return std::nullopt;
      records.push_back(std::move(*record));
    }
    return records;
  }

  bool explicitVR_;
};

void Flatten(const NestedItem& item, TagList& out) {
  for (const NestedElement& element : item) {
    if (!element.sequence) {
      out.push_back(element.record);
      continue;
    }
    out.push_back(UndefinedLengthHeader(element.record.GetTag(), "SQ"));
    for (const NestedItem& nested : element.items) {
      out.push_back(ItemHeader());
      Flatten(nested, out);
      out.push_back(ItemDelimiter());
    }
    out.push_back(SequenceDelimiter());
  }
}

}  // namespace

std::optional<NestedItem> NestDataset(const TagList& flat, bool explicitVR) {
  NestedItem dataset;
  size_t next = 0;
  Nester nester(explicitVR);
  while (next < flat.size()) {
    if (!nester.Elements(flat, next, 0, dataset)) return std::nullopt;
    if (next < flat.size()) ++next;  // a Sequence Delimitation Item that closes nothing
  }
  return dataset;
}

TagList FlattenDataset(const NestedItem& dataset) {
  TagList flat;
  Flatten(dataset, flat);
  return flat;
}

const NestedElement* FindNested(const NestedItem& item, Tag tag) {
  for (const NestedElement& element : item) {
    if (element.record.Is(tag)) return &element;
  }
  return nullptr;
}

}  // namespace norvane
