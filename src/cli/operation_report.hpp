#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/invocation.hpp"
#include "cli/options.hpp"
#include "dimse/query_responses.hpp"
#include "net/service_result.hpp"

namespace norvane::cli {

// The closing line of a network operation, as the test application writes it:
// "FIND OK", or "FIND failed to connect to: AEC (HOST:PORT)" for every unsuccessful end.
std::string OperationReportLine(const std::string& operation, bool success, const Peer& peer);

// Prints the closing line on standard output (not with --json) and writes it to the log.
void ReportOperation(Invocation& run, const std::string& operation, bool success, const Peer& peer);

// Why something failed: on standard error "norvane SUBCOMMAND: " and the text, and the text
// alone into the log; UIDs the dictionary knows are followed by their names. Standard
// output is flushed first, so the lines keep their order where both go to one place.
void ReportReason(std::string_view subcommand, std::string_view text);

// ReportReason with the result's reason; nothing for a success.
void ReportFailureReason(std::string_view subcommand, const ServiceResult& result);

// The reason of a failed query; a cut-off result also says how to raise the limit. Empty
// for a success.
std::string QueryFailureReason(const FindResult& result);

// What a successful transfer or query did, on standard error after its closing line:
// "norvane store: 3 files, 1.62 MB in 0.214 s (7.57 MB/s)"; without bytes
// "norvane find: 12 matches in 0.051 s".
std::string SummaryText(size_t count, std::string_view singular, std::string_view plural,
                        std::optional<uint64_t> bytes, std::chrono::milliseconds elapsed);
void ReportSummary(std::string_view subcommand, const std::string& summary);

// Milliseconds since `start`.
std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start);

}  // namespace norvane::cli
