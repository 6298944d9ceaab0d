#pragma once

#include <string>
#include <string_view>

#include "cli/options.hpp"
#include "dimse/query_responses.hpp"
#include "net/service_result.hpp"

namespace norvane::cli {

// The closing line of a network operation, as the test application writes it:
// "FIND OK", or "FIND failed to connect to: AEC (HOST:PORT)" for every unsuccessful end.
std::string OperationReportLine(const std::string& operation, bool success, const Peer& peer);

// Prints the closing line on standard output and writes it to the log.
void ReportOperation(const std::string& operation, bool success, const Peer& peer);

// Why something failed: on standard error "norvane SUBCOMMAND: " and the text, and the text
// alone into the log. Standard output is flushed first, so the lines keep their order where
// both go to one place.
void ReportReason(std::string_view subcommand, std::string_view text);

// ReportReason with the result's reason; nothing for a success.
void ReportFailureReason(std::string_view subcommand, const ServiceResult& result);

// ReportFailureReason for a query; a cut-off result also says how to raise the limit.
void ReportQueryFailure(std::string_view subcommand, const FindResult& result);

}  // namespace norvane::cli
