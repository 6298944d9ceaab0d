#pragma once

// The requester's side of a storage commitment report that comes on a new association: a
// small SCP for the Storage Commitment Push Model class that takes N-EVENT-REPORT-RQs
// (granting the calling node the SCP role it asks for), answers each with its
// N-EVENT-REPORT-RSP and hands the reports to whoever waits for them.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dimse/storage_commitment.hpp"
#include "scp/service_handler.hpp"

namespace norvane {

// The reports received so far, waited for by Transaction UID. Shared between the serving
// threads and the waiting one.
class CommitmentReports {
 public:
  void Deliver(CommitmentReport report);
  // The report of the transaction when it has come, taking it out; waits until `deadline`
  // at most.
  std::optional<CommitmentReport> Await(std::string_view transactionUID,
                                        std::chrono::steady_clock::time_point deadline);

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<CommitmentReport> reports_;
};

class CommitmentReportService : public ServiceHandler {
 public:
  explicit CommitmentReportService(std::shared_ptr<CommitmentReports> reports)
      : reports_(std::move(reports)) {}

  bool Serves(std::string_view sopClass) const override;
  bool GrantsRequesterScpRole(std::string_view sopClass) const override { return Serves(sopClass); }
  bool Handles(uint16_t commandField) const override { return commandField == kNEventReportRQ; }
  bool Handle(ServiceRequest& request) const override;

 private:
  std::shared_ptr<CommitmentReports> reports_;
};

}  // namespace norvane
