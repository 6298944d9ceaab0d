#include "elements/top_level.hpp"

#include <utility>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {

void FlatNesting::Step(const TagRecord& record) {
  if (record.Is(tag::kItemDelimitationItem)) {
    if (!open_.empty() && open_.back()) open_.pop_back();
  } else if (record.Is(tag::kSequenceDelimitationItem)) {
    while (!open_.empty()) {
      const bool item = open_.back();
      open_.pop_back();
      if (!item) break;
    }
  } else if (record.HasUndefinedLength()) {
    open_.push_back(record.Is(tag::kItem));
  }
}

size_t NextTopLevel(std::span<const TagRecord> list, size_t from, FlatNesting nesting) {
  for (size_t i = from; i < list.size(); ++i) {
    if (nesting.AtTopLevel() && list[i].group != kItemGroup) return i;
    nesting.Step(list[i]);
  }
  return list.size();
}

TopLevelRecords::Iterator& TopLevelRecords::Iterator::operator++() {
  FlatNesting nesting;
  nesting.Step(list_[index_]);
  index_ = NextTopLevel(list_, index_ + 1, std::move(nesting));
  return *this;
}

const TagRecord* FindTopLevel(std::span<const TagRecord> list, Tag tag) {
  for (const TagRecord& record : TopLevelRecords(list)) {
    if (record.Is(tag)) return &record;
  }
  return nullptr;
}

std::string TopLevelText(std::span<const TagRecord> list, Tag tag) {
  return RecordText(FindTopLevel(list, tag));
}

}  // namespace norvane
