#pragma once

// The responses of one C-FIND (Study Root query or modality worklist) after its request:
// read while pending, each adding a record, up to a limit; past it the query is
// cancelled, so that a peer with endless matches cannot fill the memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dimse/cancel_request.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

// Records a query keeps unless told otherwise.
inline constexpr size_t kDefaultMaxResults = 10000;

// How a C-FIND over an association of its own went: success when the query ended with a
// final status 0x0000; otherwise the association's failure, kNotSent, kCutOff (more
// matches than the limit: the query was cancelled), or that of the last response (its
// status, when one was read).
struct [[nodiscard]] FindResult : ServiceResult {
  bool associated = false;  // the association was opened
  bool sent = false;        // the request went out (the query record has been used)
  bool cutOff = false;      // the records stop at the limit; the peer had more
};

// Reads one response into the records (ReadFindRSP, ReadWLFindRSP).
template <class Record>
using ReadQueryResponse = ServiceResult (*)(PDU_Service& pdu, std::vector<Record>& results);

// The reason of a cut-off query.
std::string CutOffReason(size_t maxResults);

// Reads the responses to the C-FIND-RQ `messageID` while they are pending; `read` appends
// one record per response. A pending response that would make more than `maxResults`
// records (0: no limit) is dropped, a C-CANCEL-RQ is sent and the responses up to the
// final one are read and dropped (for at most the DIMSE time-out in all): the result is
// then cut off. Otherwise the result is that of the last response.
template <class Record>
void ReadQueryResponses(PDU_Service& pdu, std::string_view sopClass, uint16_t messageID,
                        size_t maxResults, ReadQueryResponse<Record> read,
                        std::vector<Record>& results, FindResult& result) {
  for (;;) {
    result.Set(read(pdu, results));
    if (!IsPending(result)) return;
    if (maxResults == 0 || results.size() <= maxResults) continue;
    results.pop_back();
    result.cutOff = true;
    if (!WriteCancelRQ(pdu, sopClass, messageID).Ok()) {
      pdu.AbortAssociation(kAbortSourceServiceUser, kAbortReasonNotSpecified);
      result.Set(ServiceResult::Failed(
          ServiceFailure::kCutOff,
          CutOffReason(maxResults) + "; the C-CANCEL-RQ could not be sent (aborted)"));
      return;
    }
    std::vector<Record> dropped;
    const ServiceResult ending = ReadUntilFinal(pdu, pdu.Timeouts().dimse, [&pdu, &dropped, read] {
      dropped.clear();
      return read(pdu, dropped);
    });
    std::string reason = CutOffReason(maxResults);
    if (!ending.Ok() && ending.failure != ServiceFailure::kStatus)
      reason += "; then " + ending.reason;
    result.Set(ServiceResult::Failed(ServiceFailure::kCutOff, std::move(reason), ending.status));
    return;
  }
}

}  // namespace norvane
