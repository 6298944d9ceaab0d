#include "dimse/worklist_scu.hpp"

#include "dimse/dimse_exchange.hpp"
#include "dimse/find_request.hpp"
#include "dimse/worklist_identifier.hpp"
#include "dimse/worklist_request.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane {

FindResult WorklistSCU(const AssociationParameters& peer, const TWorklistItem& query,
                       std::vector<TWorklistItem>& results, size_t maxResults) {
  FindResult result;
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  result.Set(OpenAssoc(pdu, peer, uid::kModalityWorklistFind));
  result.associated = result.Ok();
  if (result.associated) {
    TagList identifier;
    BuildWorklistIdentifier(query, identifier);
    const uint16_t messageID = pdu.NextMessageID();
    result.Set(SendFindRequest(pdu, identifier, uid::kModalityWorklistFind, messageID));
    result.sent = result.Ok();
    if (result.sent) {
      ReadQueryResponses<TWorklistItem>(pdu, uid::kModalityWorklistFind, messageID, maxResults,
                                        ReadWLFindRSP, results, result);
    }
  }
  CloseAssoc(pdu);
  return result;
}

}  // namespace norvane
