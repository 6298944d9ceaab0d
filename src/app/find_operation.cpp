#include "app/find_operation.hpp"

#include "dimse/find_scu.hpp"
#include "dimse/query_fields.hpp"

namespace norvane {
namespace {

template <class Record>
std::vector<std::string> FieldLines(const Record& record) {
  std::vector<std::string> lines;
  for (const RecordField<Record>& field : RecordFields<Record>()) {
    lines.push_back(std::string(field.name) + ": " + record.*field.member);
  }
  return lines;
}

}  // namespace

StudyInfo StudyQueryFromFilters(std::string_view patientNameFilter, std::string_view dateFilter) {
  StudyInfo query;
  query.PatientName = patientNameFilter;
  query.StudyDate = dateFilter;
  return query;
}

std::vector<std::string> RecordLines(const StudyInfo& s) {
  return {
      "PatientName: " + s.PatientName,
      "PatientID: " + s.PatientID,
      "PatientSex: " + s.PatientSex,
      "PatientBD: " + s.PatientBD,
      "StudyID: " + s.StudyID,
      "StudyInstanceUID: " + s.StudyInstanceUID,
      "StudyDate: " + s.StudyDate,
      "StudyTime: " + s.StudyTime,
      "StudyDescription: " + s.StudyDescription,
      "Modalities: " + s.Modalities,
      "InstitutionName: " + s.InstitutionName,
      "AccessionNumber: " + s.AccessionNumber,
      "PhysiciansName: " + s.PhysiciansName,
  };
}

std::vector<std::string> RecordLines(const SeriesInfo& series) {
  return FieldLines(series);
}

std::vector<std::string> RecordLines(const ImageInfo& image) {
  return FieldLines(image);
}

std::string_view CountLabel(QueryLevel level) {
  switch (level) {
    case QueryLevel::kStudy:
      return "No studies: ";
    case QueryLevel::kSeries:
      return "No series: ";
    case QueryLevel::kImage:
      return "No images: ";
  }
  return "No studies: ";
}

template <class Record>
QueryOperationResult RunFindOperation(const AssociationParameters& peer, const Record& query,
                                      const LineSink& out, size_t maxResults) {
  QueryOperationResult result;
  std::vector<Record> records;
  static_cast<FindResult&>(result) = FindSCU(peer, query, records, maxResults);
  if (!result.associated) {
    out(kAssociationFailedLine);
    return result;
  }
  result.records = records.size();
  out(std::string(CountLabel(QueryLevelOf<Record>::value)) + std::to_string(records.size()));
  out("");
  for (const Record& record : records) {
    for (const std::string& line : RecordLines(record))
      out(line);
    out("");
  }
  return result;
}

template QueryOperationResult RunFindOperation(const AssociationParameters&, const StudyInfo&,
                                               const LineSink&, size_t);
template QueryOperationResult RunFindOperation(const AssociationParameters&, const SeriesInfo&,
                                               const LineSink&, size_t);
template QueryOperationResult RunFindOperation(const AssociationParameters&, const ImageInfo&,
                                               const LineSink&, size_t);

}  // namespace norvane
