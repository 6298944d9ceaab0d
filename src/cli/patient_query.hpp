#pragma once

// The PATIENT level of norvane find: a query in the Patient Root Query/Retrieve information
// model, its record and its lines.

#include <span>
#include <string>
#include <vector>

#include "dimse/record_fields.hpp"
#include "elements/tag_record.hpp"

namespace norvane::cli {

struct PatientInfo {
  std::string PatientName;      // (0010,0010) PN
  std::string PatientID;        // (0010,0020) LO
  std::string PatientBD;        // (0010,0030) DA
  std::string PatientSex;       // (0010,0040) CS
  std::string NumberOfStudies;  // (0020,1200) IS, number of patient related studies; returned
};

// Query/Retrieve Level PATIENT and every field of the record, the empty ones with length 0,
// in ascending tag order.
void BuildPatientIdentifier(const PatientInfo& query, TagList& identifier);

// A response identifier as "Field: value" lines, one per field in the record's order, the
// values as received.
std::vector<std::string> PatientLines(const TagList& identifier);

}  // namespace norvane::cli

namespace norvane {

template <>
std::span<const RecordField<cli::PatientInfo>> RecordFields<cli::PatientInfo>();

}  // namespace norvane
