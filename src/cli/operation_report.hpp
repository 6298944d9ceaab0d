#pragma once

#include <string>
#include <string_view>

#include "cli/options.hpp"
#include "net/service_result.hpp"

namespace norvane::cli {

// The closing line of a network operation, as the test application writes it:
// "FIND OK", or "FIND failed to connect to: AEC (HOST:PORT)" for every unsuccessful end.
std::string OperationReportLine(const std::string& operation, bool success, const Peer& peer);

// Prints the closing line on standard output and writes it to the log.
void ReportOperation(const std::string& operation, bool success, const Peer& peer);

// Why an operation failed, on standard error: "norvane SUBCOMMAND: " and the result's
// reason. Nothing for a success. Standard output is flushed first, so the lines keep their
// order where both go to one place.
void ReportFailureReason(std::string_view subcommand, const ServiceResult& result);

}  // namespace norvane::cli
