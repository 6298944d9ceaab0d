#include "scp/commitment_report_service.hpp"

#include <algorithm>

#include "log/log.hpp"

namespace norvane {

void CommitmentReports::Deliver(CommitmentReport report) {
  {
    const std::lock_guard lock(mutex_);
    reports_.push_back(std::move(report));
  }
  arrived_.notify_all();
}

std::optional<CommitmentReport> CommitmentReports::Await(
    std::string_view transactionUID, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  std::optional<CommitmentReport> found;
  arrived_.wait_until(lock, deadline, [&] {
    const auto at = std::find_if(reports_.begin(), reports_.end(), [&](const auto& report) {
      return report.transactionUID == transactionUID;
    });
    if (at == reports_.end()) return false;
    found = std::move(*at);
    reports_.erase(at);
    return true;
  });
  return found;
}

bool CommitmentReportService::Serves(std::string_view sopClass) const {
  return sopClass == uid::kStorageCommitmentPushModel;
}

bool CommitmentReportService::Handle(ServiceRequest& request) const {
  TagList dataset;
  if (!request.ReadDataSet(dataset)) return false;
  const std::optional<DatasetEncoding> encoding =
      request.Association().MessageEncoding(request.ContextID());
  ReportAnswer answer = AnswerReport(request.Command(), dataset, !encoding || encoding->explicitVR);
  const bool open = request.Respond(answer.response).Ok() || !request.Ended();
  if (answer.report) {
    reports_->Deliver(std::move(*answer.report));
  } else {
    WriteLog("Storage commitment report from " + std::string(request.CallingApTitle()) +
             " not understood: " + answer.problem);
  }
  return open;
}

}  // namespace norvane
