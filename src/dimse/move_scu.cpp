#include "dimse/move_scu.hpp"

#include <chrono>

#include "dimse/cancel_request.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/query_identifier.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

using Clock = std::chrono::steady_clock;

// Whether pending responses still move the retrieval forward: the remaining number falls,
// or, from a peer that gives none, the number done rises.
class ProgressWatch {
 public:
  explicit ProgressWatch(std::chrono::milliseconds limit) : limit_(limit) {}

  // Takes a pending response; true when the retrieval has made no progress for the limit.
  bool Stalled(const DimseCommand& response) {
    const Clock::time_point now = Clock::now();
    const uint32_t done = uint32_t{response.completed.value_or(0)} + response.failed.value_or(0) +
                          response.warning.value_or(0);
    const bool progress = response.remaining
                              ? (!lowestRemaining_ || *response.remaining < *lowestRemaining_)
                              : done > mostDone_;
    if (response.remaining && (!lowestRemaining_ || *response.remaining < *lowestRemaining_)) {
      lowestRemaining_ = response.remaining;
    }
    if (done > mostDone_) mostDone_ = done;
    if (progress) lastProgress_ = now;
    return limit_.count() > 0 && now - lastProgress_ >= limit_;
  }

  std::string Description() const {
    const std::string what = lowestRemaining_
                                 ? "the number of remaining sub-operations stayed at " +
                                       std::to_string(*lowestRemaining_)
                                 : "no sub-operation completed";
    return "the retrieval stalled: " + what + " for " + DurationText(limit_) +
           " (DIMSE time-out), and it was cancelled";
  }

 private:
  std::chrono::milliseconds limit_;
  Clock::time_point lastProgress_ = Clock::now();
  std::optional<uint16_t> lowestRemaining_;
  uint32_t mostDone_ = 0;
};

class MoveResponses {
 public:
  MoveResponses(PDU_Service& pdu, MoveResult& result, const MoveProgress& progress)
      : pdu_(pdu), result_(result), progress_(progress) {}

  // Reads one response; counts it and reports it when one was read.
  ServiceResult Read(DimseCommand& response) {
    ServiceResult read = ReadMoveRSP(pdu_, response);
    if (!read && read.failure != ServiceFailure::kStatus) return read;
    ++result_.responses;
    if (response.completed) result_.completed = response.completed;
    if (response.failed) result_.failed = response.failed;
    if (response.warning) result_.warning = response.warning;
    if (progress_) progress_(response);
    return read;
  }

 private:
  PDU_Service& pdu_;
  MoveResult& result_;
  const MoveProgress& progress_;
};

void ReadResponses(PDU_Service& pdu, uint16_t messageID, MoveResult& result,
                   const MoveProgress& progress) {
  MoveResponses reader(pdu, result, progress);
  ProgressWatch watch(pdu.Timeouts().dimse);
  for (;;) {
    DimseCommand response;
    result.Set(reader.Read(response));
    if (!result.Ok() || response.status != kStatusPending) return;
    if (!watch.Stalled(response)) continue;

    result.stalled = true;
    if (!WriteCancelRQ(pdu, uid::kStudyRootQueryRetrieveMove, messageID).Ok()) {
      pdu.AbortAssociation(kAbortSourceServiceUser, kAbortReasonNotSpecified);
      result.Set(ServiceResult::Failed(
          ServiceFailure::kTimeout,
          watch.Description() + "; the C-CANCEL-RQ could not be sent (aborted)"));
      return;
    }
    const ServiceResult ending = ReadUntilFinal(pdu, pdu.Timeouts().dimse, [&reader] {
      DimseCommand next;
      return reader.Read(next);
    });
    std::string reason = watch.Description();
    if (ending.failure == ServiceFailure::kStatus || ending.Ok()) {
      reason += "; final status " + StatusText(ending.status.value_or(kStatusSuccess));
    } else {
      reason += "; then " + ending.reason;
    }
    result.Set(ServiceResult::Failed(ServiceFailure::kTimeout, std::move(reason), ending.status));
    return;
  }
}

}  // namespace

template <class Record>
MoveResult MoveSCU(const AssociationParameters& peer, std::string_view moveDestination,
                   const Record& query, const MoveProgress& progress) {
  MoveResult result;
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  result.Set(OpenAssoc(pdu, peer, uid::kStudyRootQueryRetrieveMove));
  result.associated = result.Ok();
  if (result.associated) {
    TagList identifier;
    BuildIdentifier(query, identifier);
    const uint16_t messageID = pdu.NextMessageID();
    result.Set(SendMoveRequest(pdu, identifier, uid::kStudyRootQueryRetrieveMove, moveDestination,
                               messageID));
    if (result) ReadResponses(pdu, messageID, result, progress);
  }
  CloseAssoc(pdu);
  return result;
}

template MoveResult MoveSCU(const AssociationParameters&, std::string_view, const StudyInfo&,
                            const MoveProgress&);
template MoveResult MoveSCU(const AssociationParameters&, std::string_view, const SeriesInfo&,
                            const MoveProgress&);
template MoveResult MoveSCU(const AssociationParameters&, std::string_view, const ImageInfo&,
                            const MoveProgress&);

}  // namespace norvane
