#pragma once

// The test application's WORKLIST operation: a modality worklist C-FIND over an
// association of its own, the count of the items and each item as labelled lines.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/query_operation.hpp"
#include "dimse/worklist_item.hpp"
#include "net/association_parameters.hpp"

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

// Runs the query with WorklistSCU (trace on when the log level is above 1; at most
// `maxResults` items, 0 for no limit). Writes "Association Failed!" when the association
// cannot be opened; otherwise "No studies: " and the number of items, an empty line, and
// per item its 9 lines and an empty line. The reporting of success or failure is left to
// the caller.
QueryOperationResult RunWorklistOperation(const AssociationParameters& peer,
                                          const TWorklistItem& query, const LineSink& out,
                                          size_t maxResults = kDefaultMaxResults);

}  // namespace norvane
