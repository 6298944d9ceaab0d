#include "cli/patient_query.hpp"

#include <array>

#include "dimse/query_key.hpp"
#include "elements/tags.hpp"

namespace norvane {

template <>
std::span<const RecordField<cli::PatientInfo>> RecordFields<cli::PatientInfo>() {
  using P = cli::PatientInfo;
  static constexpr std::array<RecordField<P>, 5> kFields{{
      {"PatientName", &P::PatientName, tag::kPatientName},
      {"PatientID", &P::PatientID, tag::kPatientID},
      {"PatientBD", &P::PatientBD, tag::kPatientBirthDate},
      {"PatientSex", &P::PatientSex, tag::kPatientSex},
      {"NumberOfStudies", &P::NumberOfStudies, tag::kNumberOfPatientRelatedStudies, false},
  }};
  return kFields;
}

}  // namespace norvane

namespace norvane::cli {

void BuildPatientIdentifier(const PatientInfo& query, TagList& identifier) {
  identifier.push_back(QueryKey(tag::kQueryRetrieveLevel, "CS", "PATIENT"));
  identifier.push_back(QueryKey(tag::kPatientName, "PN", query.PatientName));
  identifier.push_back(QueryKey(tag::kPatientID, "LO", query.PatientID));
  identifier.push_back(QueryKey(tag::kPatientBirthDate, "DA", query.PatientBD));
  identifier.push_back(QueryKey(tag::kPatientSex, "CS", query.PatientSex));
  identifier.push_back(QueryKey(tag::kNumberOfPatientRelatedStudies, "IS", ""));
}

std::vector<std::string> PatientLines(const TagList& identifier) {
  PatientInfo record;
  for (const TagRecord& element : identifier) {
    if (!element.HasValue()) continue;
    for (const RecordField<PatientInfo>& field : RecordFields<PatientInfo>()) {
      if (element.Is(field.Attribute())) record.*field.member = ResponseText(element);
    }
  }
  std::vector<std::string> lines;
  for (const RecordField<PatientInfo>& field : RecordFields<PatientInfo>()) {
    lines.push_back(std::string(field.name) + ": " + record.*field.member);
  }
  return lines;
}

}  // namespace norvane::cli
