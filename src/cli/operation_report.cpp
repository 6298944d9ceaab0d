#include "cli/operation_report.hpp"

#include <cstdio>

#include "dictionary/uid_names.hpp"
#include "log/log.hpp"
#include "platform/terminal_text.hpp"

namespace norvane::cli {
namespace {

std::string Decimal(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// A byte count for people: "980 bytes", "1.62 MB" (powers of 1000).
std::string BytesText(uint64_t bytes) {
  if (bytes < 1000) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  const char* units[] = {"kB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1000.0;
  size_t unit = 0;
  while (value >= 1000.0 && unit + 1 < std::size(units)) {
    value /= 1000.0;
    ++unit;
  }
  return Decimal(value, 2) + " " + units[unit];
}

}  // namespace

std::string OperationReportLine(const std::string& operation, bool success, const Peer& peer) {
  if (success) return operation + " OK";
  return operation + " failed to connect to: " + peer.calledAET + " (" + peer.host + ":" +
         peer.port + ")";
}

void ReportOperation(Invocation& run, const std::string& operation, bool success,
                     const Peer& peer) {
  const std::string line = OperationReportLine(operation, success, peer);
  run.Out(line);
  std::fflush(stdout);
  WriteLog(line);
}

void ReportReason(std::string_view subcommand, std::string_view text) {
  std::fflush(stdout);
  const std::string named = NameUIDsInText(text);
  // A reason may quote what the peer sent.
  std::fprintf(stderr, "norvane %.*s: %s\n", static_cast<int>(subcommand.size()), subcommand.data(),
               TerminalText(named).c_str());
  std::fflush(stderr);
  WriteLog(named);
}

void ReportFailureReason(std::string_view subcommand, const ServiceResult& result) {
  if (!result.Ok()) ReportReason(subcommand, result.reason);
}

std::string QueryFailureReason(const FindResult& result) {
  if (result.Ok()) return {};
  return result.cutOff ? result.reason + " (--max-results raises the limit)" : result.reason;
}

std::string SummaryText(size_t count, std::string_view singular, std::string_view plural,
                        std::optional<uint64_t> bytes, std::chrono::milliseconds elapsed) {
  const double seconds = static_cast<double>(elapsed.count()) / 1000.0;
  std::string text = std::to_string(count) + " " + std::string(count == 1 ? singular : plural);
  if (bytes) text += ", " + BytesText(*bytes);
  text += " in " + Decimal(seconds, 3) + " s";
  if (bytes && elapsed.count() > 0) {
    text += " (" + BytesText(static_cast<uint64_t>(static_cast<double>(*bytes) / seconds)) + "/s)";
  }
  return text;
}

void ReportSummary(std::string_view subcommand, const std::string& summary) {
  std::fflush(stdout);
  std::fprintf(stderr, "norvane %.*s: %s\n", static_cast<int>(subcommand.size()), subcommand.data(),
               summary.c_str());
  std::fflush(stderr);
}

std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

}  // namespace norvane::cli
