#pragma once

// The top level of a flat list: the records that stand outside every sequence and item of
// undefined length.

#include <cstddef>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

// Where a walk over a flat list stands among the sequences and items of undefined length.
// A record of undefined length opens a level: an Item an item, any other record a sequence
// (encapsulated Pixel Data counts as one). An Item Delimitation Item closes the innermost
// level when that is an item; a Sequence Delimitation Item closes the innermost sequence
// together with the items left open inside it. A delimiter that closes nothing is passed
// over, so scrambled or missing delimiters never take the walk below the top level.
class FlatNesting {
 public:
  // Moves the walk past `record`.
  void Step(const TagRecord& record);
  // Nothing is open: the next record stands at the top level.
  bool AtTopLevel() const { return open_.empty(); }
  // Sequences and items open around the next record: 2 inside an item of a top-level
  // sequence.
  size_t Depth() const { return open_.size(); }

 private:
  std::vector<bool> open_;  // innermost last; true for an item
};

// The index of the first top-level record from `from` on that is neither an item nor a
// delimiter, for a walk standing as `nesting` says before list[from]; list.size() when
// there is none. Items and delimiters at the top level are passed over, with whatever an
// item of undefined length opens.
size_t NextTopLevel(std::span<const TagRecord> list, size_t from, FlatNesting nesting = {});

// The top-level records of a flat list in list order: the header of a sequence (or of
// encapsulated Pixel Data) is visited, its items, their contents and its delimiter are not.
// One pass over the list, whatever its delimiters.
class TopLevelRecords {
 public:
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TagRecord;
    using difference_type = std::ptrdiff_t;
    using pointer = const TagRecord*;
    using reference = const TagRecord&;

    Iterator() = default;
    Iterator(std::span<const TagRecord> list, size_t index) : list_(list), index_(index) {}
    const TagRecord& operator*() const { return list_[index_]; }
    const TagRecord* operator->() const { return &list_[index_]; }
    // The record's position in the list.
    size_t Index() const { return index_; }
    Iterator& operator++();
    Iterator operator++(int) {
      Iterator before = *this;
      ++*this;
      return before;
    }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.index_ == b.index_; }

   private:
    std::span<const TagRecord> list_;
    size_t index_ = 0;
  };

  explicit TopLevelRecords(std::span<const TagRecord> list) : list_(list) {}
  Iterator begin() const { return Iterator(list_, NextTopLevel(list_, 0)); }
  Iterator end() const { return Iterator(list_, list_.size()); }

 private:
  std::span<const TagRecord> list_;
};

inline TopLevelRecords TopLevel(const TagList& list) {
  return TopLevelRecords(list);
}

// The first top-level record with this tag, or null.
const TagRecord* FindTopLevel(std::span<const TagRecord> list, Tag tag);

// RecordText of the first top-level record with this tag. Identifying and indexed
// attributes are read this way: a sequence may hold the same attribute of another object,
// study or series (a referenced series, the evidence of a request), and comes before the
// object's own whenever its tag is lower.
std::string TopLevelText(std::span<const TagRecord> list, Tag tag);

}  // namespace norvane
