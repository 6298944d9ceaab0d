#include "dimse/move_scu.hpp"

#include <memory>

#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/command_set.hpp"
#include "net/dimse_response.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

void ReadResponses(PDU_Service& pdu, MoveResult& result, const MoveProgress& progress) {
  for (;;) {
    DimseResponse response;
    result.Set(ReadMoveRSP(pdu, response));
    if (result.failure == ServiceFailure::kNoResponse ||
        result.failure == ServiceFailure::kUnexpectedResponse) {
      return;
    }
    ++result.responses;
    if (response.completed) result.completed = response.completed;
    if (response.failed) result.failed = response.failed;
    if (response.warning) result.warning = response.warning;
    if (progress) progress(response);
    if (!result.Ok() || response.status != kStatusPending) return;
  }
}

}  // namespace

template <class Record>
MoveResult MoveSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
                   std::string_view calledApTitle, std::string_view moveDestination,
                   const Record& query, const MoveProgress& progress) {
  MoveResult result;
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  if (LogLevel() > 1) pdu->SetTrace(true);
  result.Set(
      OpenAssoc(*pdu, host, port, callingApTitle, calledApTitle, uid::kStudyRootQueryRetrieveMove));
  result.associated = result.Ok();
  if (result.associated) {
    if (WriteMoveRQ(*pdu, query, uid::kStudyRootQueryRetrieveMove, moveDestination)) {
      ReadResponses(*pdu, result, progress);
    } else {
      result.Set(
          ServiceResult::Failed(ServiceFailure::kNotSent, "the C-MOVE-RQ could not be sent"));
    }
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
