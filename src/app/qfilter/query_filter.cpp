#include "app/qfilter/query_filter.hpp"

#include "platform/date_time_format.hpp"

namespace norvane {

void ApplyQueryFilterEntries(const QueryFilterEntries& entries, QueryFilter& filter) {
  if (!entries.patientName.empty()) filter.PatientNameFilter = entries.patientName;
  if (entries.from && entries.to) {
    filter.DateFilter = entries.fromDate + "-" + entries.toDate;
  } else if (entries.from) {
    filter.DateFilter = entries.fromDate + "-";
  } else if (entries.to) {
    filter.DateFilter = "-" + entries.toDate;
  }
}

std::string FilterDateText(const std::tm& day) {
  return FormatDateTime("yyyymmdd", day);
}

}  // namespace norvane
