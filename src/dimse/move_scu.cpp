#include "dimse/move_scu.hpp"

#include <memory>

#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/command_set.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

void ReadResponses(PDU_Service& pdu, MoveResult& result, const MoveProgress& progress) {
  do {
    result.last = ReadMoveResponse(pdu);
    if (result.last.status == kNoMoveResponse) {
      result.outcome = MoveOutcome::kNoResponse;
      return;
    }
    ++result.responses;
    if (result.last.completed) result.completed = result.last.completed;
    if (result.last.failed) result.failed = result.last.failed;
    if (result.last.warning) result.warning = result.last.warning;
    if (progress) progress(result.last);
  } while (result.last.status == kStatusPending);
  result.outcome = MoveOutcome::kFinished;
}

}  // namespace

template <class Record>
MoveResult MoveSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
                   std::string_view calledApTitle, std::string_view moveDestination,
                   const Record& query, const MoveProgress& progress) {
  MoveResult result;
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  if (LogLevel() > 1) pdu->SetTrace(true);
  if (!OpenAssoc(*pdu, host, port, callingApTitle, calledApTitle,
                 uid::kStudyRootQueryRetrieveMove)) {
    result.outcome = MoveOutcome::kAssociationFailed;
  } else if (!WriteMoveRQ(*pdu, query, uid::kStudyRootQueryRetrieveMove, moveDestination)) {
    result.outcome = MoveOutcome::kNotSent;
  } else {
    ReadResponses(*pdu, result, progress);
  }
  CloseAssoc(*pdu);
  DeletePDU(std::move(pdu));
  return result;
}

template MoveResult MoveSCU(std::string_view, std::string_view, std::string&, std::string_view,
                            std::string_view, const StudyInfo&, const MoveProgress&);
template MoveResult MoveSCU(std::string_view, std::string_view, std::string&, std::string_view,
                            std::string_view, const SeriesInfo&, const MoveProgress&);
template MoveResult MoveSCU(std::string_view, std::string_view, std::string&, std::string_view,
                            std::string_view, const ImageInfo&, const MoveProgress&);

}  // namespace norvane
