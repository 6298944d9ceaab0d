#pragma once

// One storage commitment as the modality asks for it: N-ACTION, then the report, on the
// same association or elsewhere (a listener of the caller's), within a time limit.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dimse/storage_commitment.hpp"
#include "net/association_parameters.hpp"

namespace norvane {

// Looks for the report of the transaction that came on another association, waiting until
// the time point at most.
using ReportElsewhere = std::function<std::optional<CommitmentReport>(
    std::string_view transactionUID, std::chrono::steady_clock::time_point until)>;

// How long the association is held open for a report on it when a listener also waits:
// then it is released, as some nodes send the report only after the release.
inline constexpr std::chrono::milliseconds kHoldForSameAssociation{1500};

struct [[nodiscard]] CommitResult : ServiceResult {
  std::string transactionUID;
  std::optional<CommitmentReport> report;
  bool onNewAssociation = false;  // the report came elsewhere
};

// Opens an association to `peer` proposing the Storage Commitment Push Model class,
// requests commitment of the instances under a new Transaction UID and waits up to `wait`
// after the N-ACTION-RSP for the report: on the association (answering it with an
// N-EVENT-REPORT-RSP), and through `elsewhere` when given. kTimeout when no report came
// in time; the report itself, failures included, is the caller's to judge.
CommitResult CommitSCU(const AssociationParameters& peer,
                       const std::vector<InstanceReference>& references,
                       std::chrono::milliseconds wait, const ReportElsewhere& elsewhere = {});

}  // namespace norvane
