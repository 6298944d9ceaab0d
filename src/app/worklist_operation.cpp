#include "app/worklist_operation.hpp"

#include "dimse/worklist_scu.hpp"

namespace norvane {

TWorklistItem WorklistQueryFromFilters(std::string_view patientNameFilter,
                                       std::string_view dateFilter) {
  TWorklistItem query;
  query.PatientName = patientNameFilter;
  query.SPSStartDate = dateFilter;
  return query;
}

std::vector<std::string> WorklistLines(const TWorklistItem& w) {
  return {
      "PatientName: " + w.PatientName,
      "PatientID: " + w.PatientID,
      "PatientBD: " + w.PatientBD,
      "PatientSex: " + w.PatientSex,
      "Modality: " + w.Modality,
      "Scheduled Station AET: " + w.ScheduledStationAET,
      "Scheduled Procedure Step Start Date: " + w.SPSStartDate,
      "Scheduled Procedure Step Start Time: " + w.SPSStartTime,
      "Scheduled Performing Physician: " + w.ScheduledPerformingPhysician,
  };
}

QueryOperationResult RunWorklistOperation(const AssociationParameters& peer,
                                          const TWorklistItem& query, const LineSink& out,
                                          size_t maxResults) {
  QueryOperationResult result;
  std::vector<TWorklistItem> items;
  static_cast<FindResult&>(result) = WorklistSCU(peer, query, items, maxResults);
  if (!result.associated) {
    out(kAssociationFailedLine);
    return result;
  }
  result.records = items.size();
  out("No studies: " + std::to_string(items.size()));
  out("");
  for (const TWorklistItem& item : items) {
    for (const std::string& line : WorklistLines(item))
      out(line);
    out("");
  }
  return result;
}

}  // namespace norvane
