#pragma once

// The test application's WORKLIST operation: a modality worklist C-FIND over an
// association of its own, the count of the items and each item as labelled lines.

#include <string>
#include <string_view>
#include <vector>

#include "app/query_operation.hpp"
#include "dimse/worklist_item.hpp"

namespace norvane {

// The query of the "Query WorkList" button: Patient's Name and Scheduled Procedure Step
// Start Date from the filters, every other field empty.
TWorklistItem WorklistQueryFromFilters(std::string_view patientNameFilter,
                                       std::string_view dateFilter);

// An item as the 9 lines the application shows: "PatientName: ", "PatientID: ",
// "PatientBD: ", "PatientSex: ", "Modality: ", "Scheduled Station AET: ", "Scheduled
// Procedure Step Start Date: ", "Scheduled Procedure Step Start Time: ", "Scheduled
// Performing Physician: ", each followed by the field as received.
std::vector<std::string> WorklistLines(const TWorklistItem& item);

// Runs the query: opens an association for the Modality Worklist Information Model - FIND
// SOP class (trace on when the log level is above 1), sends the query, reads responses
// while they are pending, releases. Writes "Association Failed!" when the association
// cannot be opened; otherwise "No studies: " and the number of items, an empty line, and
// per item its 9 lines and an empty line. The reporting of success or failure is left to
// the caller.
QueryOperationResult RunWorklistOperation(std::string_view host, std::string_view port,
                                          std::string& callingApTitle,
                                          std::string_view calledApTitle,
                                          const TWorklistItem& query, const LineSink& out);

}  // namespace norvane
