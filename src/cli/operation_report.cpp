#include "cli/operation_report.hpp"

#include <cstdio>

#include "dimse/find_request.hpp"
#include "dimse/store_result.hpp"
#include "log/log.hpp"

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

std::string QueryFailureReason(const QueryOperationResult& result) {
  if (result.Succeeded() || !result.associated) return "";
  if (!result.sent) return "the request could not be sent";
  if (result.lastStatus == kNoFindResponse) {
    return "no final response (the association ended, or the peer sent another message)";
  }
  return "the peer ended the query with status " + StatusText(result.lastStatus) + " (" +
         DescribeFindStatus(result.lastStatus) + ")";
}

}  // namespace norvane::cli
