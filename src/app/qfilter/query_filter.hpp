#pragma once

// The filters of "Query PACS" and "Query WorkList", and how the query filter dialog's
// entries turn into them.

#include <ctime>
#include <string>
#include <string_view>

namespace norvane {

struct QueryFilter {
  std::string PatientNameFilter;  // the Patient's Name matching key as typed, wildcards too
  std::string DateFilter;         // a date range: "yyyymmdd-", "-yyyymmdd", both, or empty

  // Neither filter is set: the search matches everything and can take very long.
  bool Unfiltered() const { return PatientNameFilter.empty() && DateFilter.empty(); }
};

// What the query filter dialog holds when the operator presses OK.
struct QueryFilterEntries {
  std::string patientName;
  bool from = false;
  std::string fromDate;
  bool to = false;
  std::string toDate;
};

// The dialog's OK: a non-empty patient name becomes the name filter; the checked dates
// become the date range (From only "from-", To only "-to", both "from-to"); a filter the
// entries do not set keeps its value. Dates are taken as typed.
void ApplyQueryFilterEntries(const QueryFilterEntries& entries, QueryFilter& filter);

// A day as the date entries show it: "yyyymmdd".
std::string FilterDateText(const std::tm& day);

// The confirmation asked before a search without filters.
inline constexpr std::string_view kUnfilteredSearchCaption = "WARNING";
inline constexpr std::string_view kUnfilteredSearchText =
    "Have no filters\r\nSearch can take very long";

}  // namespace norvane
