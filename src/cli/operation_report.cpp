#include "cli/operation_report.hpp"

#include <cstdio>

#include "log/log.hpp"
#include "platform/terminal_text.hpp"

namespace norvane::cli {

std::string OperationReportLine(const std::string& operation, bool success, const Peer& peer) {
  if (success) return operation + " OK";
  return operation + " failed to connect to: " + peer.calledAET + " (" + peer.host + ":" +
         peer.port + ")";
}

void ReportOperation(const std::string& operation, bool success, const Peer& peer) {
  const std::string line = OperationReportLine(operation, success, peer);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  WriteLog(line);
}

void ReportReason(std::string_view subcommand, std::string_view text) {
  std::fflush(stdout);
  // A reason may quote what the peer sent.
  std::fprintf(stderr, "norvane %.*s: %s\n", static_cast<int>(subcommand.size()), subcommand.data(),
               TerminalText(text).c_str());
  std::fflush(stderr);
  WriteLog(text);
}

void ReportFailureReason(std::string_view subcommand, const ServiceResult& result) {
  if (!result.Ok()) ReportReason(subcommand, result.reason);
}

void ReportQueryFailure(std::string_view subcommand, const FindResult& result) {
  if (result.Ok()) return;
  ReportReason(subcommand,
               result.cutOff ? result.reason + " (--max-results raises the limit)" : result.reason);
}

}  // namespace norvane::cli
