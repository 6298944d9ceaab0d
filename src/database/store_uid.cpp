#include "database/store_uid.hpp"

#include <algorithm>

#include "elements/record_values.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {

std::string GetStoreUID(const TagList& dataset, Tag tag) {
  const TagRecord* record = FindTopLevel(dataset, tag);
  if (record == nullptr) return {};
  const std::string_view value = ValueText(*record);
  return std::string(TrimmedText(value.substr(0, value.find('\0'))));
}

bool IsSafeStoreName(std::string_view uid) {
  if (uid == "." || uid == "..") return false;
  return std::none_of(uid.begin(), uid.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '/' || c == ',' || byte < 0x20 || byte == 0x7F;
  });
}

StoreUIDProblem CheckStoreUIDs(const TagList& dataset) {
  StoreUIDProblem problem = StoreUIDProblem::kNone;
  for (const Tag tag :
       {tag::kStudyInstanceUID, tag::kSeriesInstanceUID, tag::kSOPInstanceUID, tag::kSOPClassUID}) {
    const std::string uid = GetStoreUID(dataset, tag);
    if (!IsSafeStoreName(uid)) return StoreUIDProblem::kUnsafe;
    // An object without one would be filed in the storage root or its study's folder.
    if (uid.empty() && tag != tag::kSOPClassUID) return StoreUIDProblem::kMissing;
    if (uid.size() > kMaxStoreUIDLength) problem = StoreUIDProblem::kTooLong;
  }
  return problem;
}

}  // namespace norvane
