#pragma once

#include <string>

#include "app/query_operation.hpp"
#include "cli/options.hpp"

namespace norvane::cli {

// The closing line of a network operation, as the test application writes it:
// "FIND OK", or "FIND failed to connect to: AEC (HOST:PORT)" for every unsuccessful end.
std::string OperationReportLine(const std::string& operation, bool success, const Peer& peer);

// Prints the closing line on standard output and writes it to the log.
void ReportOperation(const std::string& operation, bool success, const Peer& peer);

// Why a query that got an association did not succeed, for standard error: the request
// could not be sent, no final response came, or the peer's final status and its meaning.
// Empty when it succeeded or never got an association ("Association Failed!" says that).
std::string QueryFailureReason(const QueryOperationResult& result);

}  // namespace norvane::cli
