#include "dimse/find_scu.hpp"

#include "dimse/dimse_exchange.hpp"
#include "dimse/find_request.hpp"
#include "dimse/query_identifier.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane {

template <class Record>
FindResult FindSCU(const AssociationParameters& peer, const Record& query,
                   std::vector<Record>& results, size_t maxResults) {
  FindResult result;
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  result.Set(OpenAssoc(pdu, peer, uid::kStudyRootQueryRetrieveFind));
  result.associated = result.Ok();
  if (result.associated) {
    TagList identifier;
    BuildIdentifier(query, identifier);
    const uint16_t messageID = pdu.NextMessageID();
    result.Set(SendFindRequest(pdu, identifier, uid::kStudyRootQueryRetrieveFind, messageID));
    result.sent = result.Ok();
    if (result.sent) {
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
