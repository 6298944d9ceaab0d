#include "dimse/find_scu.hpp"

#include "dimse/find_request.hpp"
#include "dimse/query_identifier.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/dimse_response.hpp"
#include "net/uids.hpp"
#include "net/unique_ids.hpp"

namespace norvane {

template <class Record>
FindResult FindSCU(const AssociationParameters& peer, const Record& query,
                   std::vector<Record>& results, size_t maxResults) {
  FindResult result;
  PDU_Service pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  result.Set(OpenAssoc(pdu, peer, uid::kStudyRootQueryRetrieveFind));
  result.associated = result.Ok();
  if (result.associated) {
    TagList identifier;
    BuildIdentifier(query, identifier);
    const uint16_t messageID = NextMessageID();
    result.sent = SendFindRequest(pdu, identifier, uid::kStudyRootQueryRetrieveFind, messageID);
    if (!result.sent) {
      result.Set(NotSent(pdu, "the C-FIND-RQ"));
    } else {
      ReadQueryResponses<Record>(pdu, uid::kStudyRootQueryRetrieveFind, messageID, maxResults,
                                 ReadFindRSP<Record>, results, result);
    }
  }
  CloseAssoc(pdu);
  return result;
}

template FindResult FindSCU(const AssociationParameters&, const StudyInfo&, std::vector<StudyInfo>&,
                            size_t);
template FindResult FindSCU(const AssociationParameters&, const SeriesInfo&,
                            std::vector<SeriesInfo>&, size_t);
template FindResult FindSCU(const AssociationParameters&, const ImageInfo&, std::vector<ImageInfo>&,
                            size_t);

}  // namespace norvane
