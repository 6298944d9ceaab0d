#include "dimse/worklist_scu.hpp"

#include "dimse/find_request.hpp"
#include "dimse/worklist_identifier.hpp"
#include "dimse/worklist_request.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/dimse_response.hpp"
#include "net/uids.hpp"
#include "net/unique_ids.hpp"

namespace norvane {

FindResult WorklistSCU(const AssociationParameters& peer, const TWorklistItem& query,
                       std::vector<TWorklistItem>& results, size_t maxResults) {
  FindResult result;
  PDU_Service pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  result.Set(OpenAssoc(pdu, peer, uid::kModalityWorklistFind));
  result.associated = result.Ok();
  if (result.associated) {
    TagList identifier;
    BuildWorklistIdentifier(query, identifier);
    const uint16_t messageID = NextMessageID();
    result.sent = SendFindRequest(pdu, identifier, uid::kModalityWorklistFind, messageID);
    if (!result.sent) {
      result.Set(NotSent(pdu, "the C-FIND-RQ"));
    } else {
      ReadQueryResponses<TWorklistItem>(pdu, uid::kModalityWorklistFind, messageID, maxResults,
                                        ReadWLFindRSP, results, result);
    }
  }
  CloseAssoc(pdu);
  return result;
}

}  // namespace norvane
