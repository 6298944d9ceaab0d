#include "dimse/find_scu.hpp"

#include <memory>

#include "dimse/find_request.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane {

template <class Record>
FindResult FindSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
                   std::string_view calledApTitle, const Record& query,
                   std::vector<Record>& results) {
  FindResult result;
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  if (LogLevel() > 1) pdu->SetTrace(true);
  result.Set(
      OpenAssoc(*pdu, host, port, callingApTitle, calledApTitle, uid::kStudyRootQueryRetrieveFind));
  result.associated = result.Ok();
  if (result.associated) {
    result.sent = WriteFindRQ(*pdu, query, uid::kStudyRootQueryRetrieveFind);
    if (!result.sent) {
      result.Set(
          ServiceResult::Failed(ServiceFailure::kNotSent, "the C-FIND-RQ could not be sent"));
    } else {
      // Every status but a pending one is final: after it only the release follows.
      do {
        result.Set(ReadFindRSP(*pdu, results));
      } while (IsPending(result));
    }
  }
  CloseAssoc(*pdu);
  DeletePDU(std::move(pdu));
  return result;
}

template FindResult FindSCU(std::string_view, std::string_view, std::string&, std::string_view,
                            const StudyInfo&, std::vector<StudyInfo>&);
template FindResult FindSCU(std::string_view, std::string_view, std::string&, std::string_view,
                            const SeriesInfo&, std::vector<SeriesInfo>&);
template FindResult FindSCU(std::string_view, std::string_view, std::string&, std::string_view,
                            const ImageInfo&, std::vector<ImageInfo>&);

}  // namespace norvane
