#include "dimse/find_scu.hpp"

#include <memory>

#include "dimse/find_request.hpp"
#include "net/association_entry.hpp"
#include "net/command_set.hpp"
#include "net/log.hpp"
#include "net/uids.hpp"

namespace norvane {

template <class Record>
bool FindSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
             std::string_view calledApTitle, const Record& query, std::vector<Record>& results) {
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  if (LogLevel() > 1) pdu->SetTrace(true);
  bool success = false;
  if (OpenAssoc(*pdu, host, port, callingApTitle, calledApTitle,
                uid::kStudyRootQueryRetrieveFind) &&
      WriteFindRQ(*pdu, query, uid::kStudyRootQueryRetrieveFind)) {
    int status = kStatusPending;
    while (IsPendingStatus(status)) {
      status = ReadFindRSP(*pdu, results);
      if (status == kStatusSuccess) success = true;
    }
  }
  CloseAssoc(*pdu);
  DeletePDU(std::move(pdu));
  return success;
}

template bool FindSCU(std::string_view, std::string_view, std::string&, std::string_view,
                      const StudyInfo&, std::vector<StudyInfo>&);
template bool FindSCU(std::string_view, std::string_view, std::string&, std::string_view,
                      const SeriesInfo&, std::vector<SeriesInfo>&);
template bool FindSCU(std::string_view, std::string_view, std::string&, std::string_view,
                      const ImageInfo&, std::vector<ImageInfo>&);

}  // namespace norvane
