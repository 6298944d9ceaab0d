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

void ReportFailureReason(std::string_view subcommand, const ServiceResult& result) {
  if (result.Ok()) return;
  std::fflush(stdout);
  // A reason may quote what the peer sent.
  std::fprintf(stderr, "norvane %.*s: %s\n", static_cast<int>(subcommand.size()), subcommand.data(),
               TerminalText(result.reason).c_str());
}

}  // namespace norvane::cli
