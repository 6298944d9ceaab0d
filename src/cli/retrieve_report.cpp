#include "cli/retrieve_report.hpp"

#include <unistd.h>

#include <cstdio>

#include "dimse/dimse_command.hpp"
#include "dimse/get_scu.hpp"
#include "dimse/move_scu.hpp"
#include "dimse/status_meaning.hpp"

namespace norvane::cli {
namespace {

std::string Count(const std::optional<uint16_t>& n) {
  return n ? std::to_string(*n) : "?";
}

Json CountJson(const std::optional<uint16_t>& n) {
  return n ? Json(*n) : Json(nullptr);
}

}  // namespace

std::string SubOperationCounts(std::optional<uint16_t> completed, std::optional<uint16_t> failed,
                               std::optional<uint16_t> warning) {
  if (!completed && !failed && !warning) return "no sub-operation counts reported";
  return Count(completed) + " completed, " + Count(failed) + " failed, " + Count(warning) +
         " warning";
}

std::string RetrievalLine(const std::string& operation, const ServiceResult& result,
                          const std::string& counts) {
  switch (result.failure) {
    case ServiceFailure::kNone:
      return operation + " OK: " + counts;
    case ServiceFailure::kStatus: {
      const uint16_t status = result.status.value_or(0);
      return operation + " failed, status " + StatusText(status) + " (" +
             std::string(MeaningOfStatus(StatusService::kRetrieve, status).text) + "): " + counts;
    }
    case ServiceFailure::kNotSent:
      return operation + " failed: the request could not be sent";
    case ServiceFailure::kNoResponse:
    case ServiceFailure::kUnexpectedResponse:
    case ServiceFailure::kAborted:
    case ServiceFailure::kProtocol:
      return operation +
             " failed: no final response (the association ended, or the peer sent another "
             "message); " +
             counts;
    default:
      return operation + " failed: " + result.reason;
  }
}

template <class Result>
void AddRetrievalCounts(JsonReport& report, const Result& result) {
  report["finalStatus"] = result.status ? Json(*result.status) : Json(nullptr);
  report["finalStatusMeaning"] =
      result.status ? Json(MeaningOfStatus(StatusService::kRetrieve, *result.status).text)
                    : Json(nullptr);
  report["responses"] = result.responses;
  report["subOperations"] = {{"completed", CountJson(result.completed)},
                             {"failed", CountJson(result.failed)},
                             {"warning", CountJson(result.warning)}};
}

template void AddRetrievalCounts(JsonReport&, const MoveResult&);
template void AddRetrievalCounts(JsonReport&, const GetResult&);

void RetrievalProgress::Show(const DimseCommand& response) {
  if (!shown_ || response.status != kStatusPending) return;
  std::fprintf(stderr, "\r\033[Kremaining %s, completed %s, failed %s, warning %s",
               Count(response.remaining).c_str(), Count(response.completed).c_str(),
               Count(response.failed).c_str(), Count(response.warning).c_str());
  std::fflush(stderr);
  onScreen_ = true;
}

void RetrievalProgress::Clear() {
  if (!onScreen_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  onScreen_ = false;
}

bool ShowProgress(bool quiet, bool json) {
  return !quiet && !json && ::isatty(STDERR_FILENO) == 1;
}

}  // namespace norvane::cli
