#pragma once

// Element records between the caller's pointer lists and the core's TagList.

#include <vector>

#include "api/api_types.hpp"
#include "elements/tag_record.hpp"

namespace norvane::api {

// Appends every record of `records` to the caller's list as a record of its own, its value
// moved, not copied.
void AppendRecords(TList& list, TagList&& records);

// The records of a caller's list lent to the core as one TagList for the length of a call.
// Values move in and move back when the loan ends, so no value bytes are copied; null
// entries are passed over. The caller's records must not be touched while they are lent.
class LentTags {
 public:
  explicit LentTags(TList& list);
  ~LentTags();
  LentTags(const LentTags&) = delete;
  LentTags& operator=(const LentTags&) = delete;

  TagList& tags() { return tags_; }

  // Ends the loan by replacing: the caller's records are freed and the list holds the
  // records of tags() instead.
  void Replace();

 private:
  TList& list_;
  std::vector<::TagRecord*> lenders_;
  TagList tags_;
  bool replaced_ = false;
};

}  // namespace norvane::api
