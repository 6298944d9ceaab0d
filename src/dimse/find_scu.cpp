#include "dimse/find_scu.hpp"

#include "dimse/dimse_exchange.hpp"
#include "dimse/find_request.hpp"
#include "dimse/query_identifier.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane {

namespace {

// Opens the association, sends the identifier and reads the responses with `read`.
template <class Result>
FindResult RunQuery(const AssociationParameters& peer, std::string_view sopClass,
                    const TagList& identifier, size_t maxResults, ReadQueryResponse<Result> read,
                    std::vector<Result>& results) {
  FindResult result;
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  result.Set(OpenAssoc(pdu, peer, sopClass));
  result.associated = result.Ok();
  if (result.associated) {
    const uint16_t messageID = pdu.NextMessageID();
    result.Set(SendFindRequest(pdu, identifier, sopClass, messageID));
    result.sent = result.Ok();
    if (result.sent) {
      ReadQueryResponses<Result>(pdu, sopClass, messageID, maxResults, read, results, result);
    }
  }
  CloseAssoc(pdu);
  return result;
}

}  // namespace

template <class Record>
FindResult FindSCU(const AssociationParameters& peer, const Record& query,
                   std::vector<Record>& results, size_t maxResults) {
  TagList identifier;
  BuildIdentifier(query, identifier);
  return RunQuery<Record>(peer, uid::kStudyRootQueryRetrieveFind, identifier, maxResults,
                          ReadFindRSP<Record>, results);
}

FindResult FindIdentifiers(const AssociationParameters& peer, std::string_view sopClass,
                           const TagList& identifier, std::vector<TagList>& matches,
                           size_t maxResults) {
  return RunQuery<TagList>(peer, sopClass, identifier, maxResults, ReadFindIdentifier, matches);
}

template FindResult FindSCU(const AssociationParameters&, const StudyInfo&, std::vector<StudyInfo>&,
                            size_t);
template FindResult FindSCU(const AssociationParameters&, const SeriesInfo&,
                            std::vector<SeriesInfo>&, size_t);
template FindResult FindSCU(const AssociationParameters&, const ImageInfo&, std::vector<ImageInfo>&,
                            size_t);

}  // namespace norvane
