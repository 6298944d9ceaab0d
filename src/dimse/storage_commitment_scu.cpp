#include "dimse/storage_commitment_scu.hpp"

#include <algorithm>
#include <thread>

#include "datadec/new_uid.hpp"
#include "dimse/dimse_exchange.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kPollInterval{50};

// Reads the message waiting on the association. A report is answered and given; any
// other command is refused by aborting, as this side asked for nothing more.
std::optional<CommitmentReport> TakeReport(PDU_Service& pdu, std::string_view transactionUID,
                                           std::string& problem) {
  const ReceivedCommand received = ReceiveCommand(pdu);
  if (!received) {
    problem = received.reason;
    return std::nullopt;
  }
  TagList dataset;
  if (received.command.HasDataSet()) {
    if (const MessageRead data = pdu.ReadMessage(dataset); !data) {
      problem = data.reason;
      return std::nullopt;
    }
  }
  if (received.command.commandField != kNEventReportRQ) {
    problem = "the peer sent " + CommandWithArticle(received.command.commandField) +
              " instead of the report";
    pdu.AbortAssociation(kAbortSourceServiceUser, 0);
    return std::nullopt;
  }
  const std::optional<DatasetEncoding> encoding = pdu.MessageEncoding(received.contextID);
  ReportAnswer answer = AnswerReport(received.command, dataset, !encoding || encoding->explicitVR);
  if (const ServiceResult sent = SendCommand(pdu, received.contextID, answer.response); !sent) {
    problem = sent.reason;
  }
  if (!answer.report) {
    problem = "the report cannot be read: " + answer.problem;
    return std::nullopt;
  }
  if (answer.report->transactionUID != transactionUID) {
    problem = "a report of another transaction came: " + answer.report->transactionUID;
    return std::nullopt;
  }
  return answer.report;
}

}  // namespace

CommitResult CommitSCU(const AssociationParameters& peer,
                       const std::vector<InstanceReference>& references,
                       std::chrono::milliseconds wait, const ReportElsewhere& elsewhere) {
  CommitResult result;
  result.transactionUID = NewUID();
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  result.Set(OpenAssoc(pdu, peer, CommitmentContexts()));
  if (result) result.Set(RequestCommitment(pdu, {result.transactionUID, references}));
  if (!result) {
    CloseAssoc(pdu);
    return result;
  }
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + wait;
  std::string problem;
  while (!result.report) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline) break;
    if (pdu.Connected() && elsewhere && now - start >= kHoldForSameAssociation) {
      (void)pdu.ReleaseAssociation();
    }
    if (pdu.Connected() && pdu.MessageWaiting()) {
      result.report = TakeReport(pdu, result.transactionUID, problem);
      continue;
    }
    if (!pdu.Connected() && !elsewhere) break;
    const Clock::time_point until = std::min(deadline, now + kPollInterval);
    if (elsewhere) {
      result.report = elsewhere(result.transactionUID, until);
      result.onNewAssociation = result.report.has_value();
    } else {
      std::this_thread::sleep_until(until);
    }
  }
  CloseAssoc(pdu);
  if (!result.report) {
    result.Set(ServiceResult::Failed(ServiceFailure::kTimeout,
                                     "no storage commitment report within " + DurationText(wait) +
                                         (problem.empty() ? std::string() : " (" + problem + ")")));
  }
  return result;
}

}  // namespace norvane
