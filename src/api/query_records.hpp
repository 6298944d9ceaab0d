#pragma once

// Query records in the caller's lists, by query/retrieve level.

#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "dimse/query_records.hpp"

namespace norvane::api {

inline constexpr const char* kUnknownLevel = "the level is none of STUDY, SERIES and IMAGE";
inline constexpr const char* kNoQueryRecord = "the list holds no query record at index 0";

inline std::optional<QueryLevel> LevelOf(const char* level) {
  return QueryLevelFromText(Text(level));
}

// Calls work(std::type_identity<Record>{}) with the record type of the level.
template <class Work>
decltype(auto) ForLevel(QueryLevel level, Work&& work) {
  switch (level) {
    case QueryLevel::kStudy:
      return work(std::type_identity<::StudyInfo>{});
    case QueryLevel::kSeries:
      return work(std::type_identity<::SeriesInfo>{});
    case QueryLevel::kImage:
      break;
  }
  return work(std::type_identity<::ImageInfo>{});
}

// The query record a request takes from index 0 of the caller's list, or null when the
// list has none.
template <class Record>
Record* QueryRecord(TList* list) {
  if (list == nullptr || list->entries.empty()) return nullptr;
  return static_cast<Record*>(list->entries.front());
}

// Appends every result as a record of its own.
template <class Record>
void AppendResults(TList& list, std::vector<typename Record::Core>&& results) {
  list.entries.reserve(list.entries.size() + results.size());
  for (typename Record::Core& result : results)
    list.entries.push_back(new Record{std::move(result)});
  results.clear();
}

}  // namespace norvane::api
