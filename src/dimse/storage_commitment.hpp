#pragma once

// Storage Commitment Push Model: the N-ACTION that asks a node to commit to keeping
// instances, and the N-EVENT-REPORT that says which it holds. Both roles build and read
// their messages here; the requester may receive the report on its own association or on
// one the committing node opens to it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dimse/dimse_command.hpp"
#include "dimse/instance_headers.hpp"
#include "elements/tag_record.hpp"
#include "net/negotiation.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

namespace uid {
inline constexpr std::string_view kStorageCommitmentPushModel = "1.2.840.10008.1.20.1";
// The one instance of the class, which every request names.
inline constexpr std::string_view kStorageCommitmentPushModelInstance = "1.2.840.10008.1.20.1.1";
}  // namespace uid

// The presentation context either side proposes for the class: explicit, then implicit VR
// little endian.
std::vector<ContextProposal> CommitmentContexts();

// Action Type ID of the N-ACTION: Request Storage Commitment.
inline constexpr uint16_t kRequestStorageCommitment = 1;
// Event Type ID of the report: every instance committed, or some failed.
inline constexpr uint16_t kCommitmentSuccessEvent = 1;
inline constexpr uint16_t kCommitmentFailuresEvent = 2;
// Failure Reason (0008,1197) values.
inline constexpr uint16_t kFailureNoSuchObjectInstance = 0x0112;
inline constexpr uint16_t kFailureClassInstanceConflict = 0x0119;

// "no such object instance" for 0x0112, the other reasons of the Failed SOP Sequence by
// name, "failure reason 0xNNNN" for a value the standard does not name.
std::string FailureReasonText(uint16_t reason);

struct FailedInstance {
  InstanceReference reference;
  uint16_t reason = 0;
};

// What an N-ACTION asks and what an N-EVENT-REPORT answers: one transaction.
struct CommitmentRequest {
  std::string transactionUID;
  std::vector<InstanceReference> references;
};
struct CommitmentReport {
  std::string transactionUID;
  uint16_t eventType = kCommitmentSuccessEvent;
  std::vector<InstanceReference> committed;  // Referenced SOP Sequence
  std::vector<FailedInstance> failed;        // Failed SOP Sequence
};

// The N-ACTION data set: Transaction UID, then the Referenced SOP Sequence.
TagList CommitmentRequestDataset(const CommitmentRequest& request);
// The N-EVENT-REPORT data set: Transaction UID, the Referenced SOP Sequence when something
// was committed, the Failed SOP Sequence (with each Failure Reason) when something failed.
TagList CommitmentReportDataset(const CommitmentReport& report);

// The request or report a received data set (read with `explicitVR`) holds. Nothing, with
// `problem` saying why, when the Transaction UID or every reference is missing, a
// reference lacks its class or instance, a UID is longer than 64 characters, or the
// nesting is malformed.
std::optional<CommitmentRequest> ParseCommitmentRequest(const TagList& dataset, bool explicitVR,
                                                        std::string& problem);
std::optional<CommitmentReport> ParseCommitmentReport(uint16_t eventType, const TagList& dataset,
                                                      bool explicitVR, std::string& problem);

// Sends the N-ACTION-RQ (Requested SOP Instance the class's well-known instance, Action
// Type 1) and reads its N-ACTION-RSP; success for status 0x0000.
ServiceResult RequestCommitment(PDU_Service& pdu, const CommitmentRequest& request);

// Sends the report as an N-EVENT-REPORT-RQ (event type 1 or 2 as the report says) on an
// association with the class accepted, and reads the N-EVENT-REPORT-RSP.
ServiceResult SendCommitmentReport(PDU_Service& pdu, const CommitmentReport& report);

// The answer to a received N-EVENT-REPORT-RQ of the commitment class and its data set
// (read with `explicitVR`): an N-EVENT-REPORT-RSP with 0x0000, the event type and the
// instance, when the report can be read; 0x0113 for an event type other than 1 and 2;
// 0x0110 with the problem as Error Comment for a data set that is no report.
struct ReportAnswer {
  DimseCommand response;
  std::optional<CommitmentReport> report;
  std::string problem;
};
ReportAnswer AnswerReport(const DimseCommand& request, const TagList& dataset, bool explicitVR);

}  // namespace norvane
