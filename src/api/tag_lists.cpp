#include "api/tag_lists.hpp"

#include <algorithm>
#include <utility>

namespace norvane::api {

void AppendRecords(TList& list, TagList&& records) {
  list.entries.reserve(list.entries.size() + records.size());
  for (norvane::TagRecord& record : records)
    list.entries.push_back(new ::TagRecord{std::move(record)});
  records.clear();
}

LentTags::LentTags(TList& list) : list_(list) {
  lenders_.reserve(list.entries.size());
  for (void* entry : list.entries) {
    if (entry != nullptr) lenders_.push_back(static_cast<::TagRecord*>(entry));
  }
  tags_.reserve(lenders_.size());
  for (::TagRecord* record : lenders_)
    tags_.push_back(std::move(*record));
}

LentTags::~LentTags() {
  if (replaced_) return;
  // The core leaves a list it could not change as it was, so the records pair up again.
  const size_t back = std::min(lenders_.size(), tags_.size());
  for (size_t i = 0; i < back; ++i)
    static_cast<norvane::TagRecord&>(*lenders_[i]) = std::move(tags_[i]);
}

void LentTags::Replace() {
  for (::TagRecord* record : lenders_)
    delete record;
  lenders_.clear();
  list_.entries.clear();
  replaced_ = true;
  AppendRecords(list_, std::move(tags_));
}

}  // namespace norvane::api
