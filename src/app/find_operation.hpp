#pragma once

// The test application's FIND operation: a Study Root C-FIND over an association of its
// own, the count of the records and each record as labelled lines.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/query_operation.hpp"
#include "dimse/query_records.hpp"
#include "net/association_parameters.hpp"

namespace norvane {

// The query of the "Query PACS" button: Patient's Name and Study Date from the filters,
// every other field empty (returned).
StudyInfo StudyQueryFromFilters(std::string_view patientNameFilter, std::string_view dateFilter);

// A study as the 13 lines the application shows: "PatientName: ", "PatientID: ",
// "PatientSex: ", "PatientBD: ", "StudyID: ", "StudyInstanceUID: ", "StudyDate: ",
// "StudyTime: ", "StudyDescription: ", "Modalities: ", "InstitutionName: ",
// "AccessionNumber: ", "PhysiciansName: ", each followed by the field as received.
std::vector<std::string> RecordLines(const StudyInfo& study);
// A series or an image: one "Field: value" line per field, in the record's order.
std::vector<std::string> RecordLines(const SeriesInfo& series);
std::vector<std::string> RecordLines(const ImageInfo& image);

// The count line's label by level: "No studies: ", "No series: ", "No images: ".
std::string_view CountLabel(QueryLevel level);

// Runs the query with FindSCU (trace on when the log level is above 1; at most
// `maxResults` records, 0 for no limit). Writes "Association Failed!" when the association
// cannot be opened; otherwise the count line (CountLabel and the number of records), an
// empty line, and per record its lines and an empty line. A response with a failure status
// counts as a record too (empty unless it carried an identifier). The reporting of success
// or failure is left to the caller.
template <class Record>
QueryOperationResult RunFindOperation(const AssociationParameters& peer, const Record& query,
                                      const LineSink& out, size_t maxResults = kDefaultMaxResults);

}  // namespace norvane
