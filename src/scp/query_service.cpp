#include "scp/query_service.hpp"

#include <functional>
#include <optional>

#include "database/archive_query.hpp"
#include "database/worklist_query.hpp"
#include "log/log.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

// Failure statuses of the query service.
constexpr uint16_t kStatusUnableToProcess = 0xC000;

// What an identifier may hold: no query needs more, and every key is answered in every
// match, so a larger one would make each response as large.
constexpr size_t kMaxIdentifierElements = 1024;
constexpr size_t kMaxIdentifierBytes = 64 * 1024;
// A longer identifier message is not even read whole: the association is aborted.
constexpr uint64_t kMaxIdentifierMessage = 1024 * 1024;

// Why an identifier is refused before any query; empty when it may be answered.
std::string Oversized(const TagList& identifier) {
  size_t bytes = 0;
  for (const TagRecord& record : identifier)
    bytes += 8 + ValueBytes(record).size();
  if (identifier.size() > kMaxIdentifierElements) {
    return "the identifier holds " + std::to_string(identifier.size()) + " elements, more than " +
           std::to_string(kMaxIdentifierElements);
  }
  if (bytes > kMaxIdentifierBytes) {
    return "the identifier holds " + std::to_string(bytes) + " bytes, more than " +
           std::to_string(kMaxIdentifierBytes);
  }
  return {};
}

using Query = std::function<QueryAnswer(const TagList& identifier, const MatchVisitor& visit)>;

// Answers a C-FIND with the matches of `query`, each sent as a pending response as soon as
// it is found, while the requester has not cancelled; then the final response. False when
// the association ended.
bool AnswerFind(ServiceRequest& request, const Query& query) {
  TagList identifier;
  AcceptorAssociation& association = request.Association();
  association.SetMessageLimit(kMaxIdentifierMessage);
  const ServiceResult read = request.ReadDataSet(identifier);
  association.SetMessageLimit(request.Settings().maxObjectSize);
  if (!read) return false;
  if (!request.Command().HasDataSet()) return request.Respond(kStatusUnableToProcess).Ok();
  if (const std::string why = Oversized(identifier); !why.empty()) {
    WriteLog("Find: " + why + " (refused)");
    return request.Respond(kStatusOutOfResources).Ok();
  }
  DimseCommand pending = ResponseTo(request.Command(), kStatusPending);
  pending.commandDataSetType = kDataSetPresent;
  bool cancelled = false;
  bool ended = false;
  const QueryAnswer answer = query(identifier, [&](TagList match) {
    cancelled = request.CancelRequested();
    ended = request.Ended();
    if (cancelled || ended) return false;
    request.AwaitingPeer();  // the peer takes each response at its own pace
    ended = !request.Respond(pending, &match);
    return !ended;
  });
  for (const std::string& file : answer.skipped)
    WriteLog("Find: skipped " + file);
  if (ended) return false;
  request.Working();
  if (!answer.identifierValid) {
    WriteLog("Find: " + answer.problem);
    return request.Respond(kStatusIdentifierDoesNotMatch).Ok();
  }
  if (cancelled || request.CancelRequested()) return request.Respond(kStatusCancel).Ok();
  if (request.Ended()) return false;
  return request.Respond(kStatusSuccess).Ok();
}

bool ExplicitVR(const ServiceRequest& request) {
  const std::optional<std::string> syntax =
      request.Association().GetTransferSyntax(request.ContextID());
  return syntax && *syntax != uid::kImplicitVRLittleEndian;
}

}  // namespace

bool QueryService::Serves(std::string_view sopClass) const {
  return sopClass == uid::kStudyRootQueryRetrieveFind ||
         sopClass == uid::kPatientRootQueryRetrieveFind;
}

bool QueryService::Handle(ServiceRequest& request) const {
  const QueryModel model = request.ContextSOPClass() == uid::kPatientRootQueryRetrieveFind
                               ? QueryModel::kPatientRoot
                               : QueryModel::kStudyRoot;
  return AnswerFind(request, [&](const TagList& identifier, const MatchVisitor& visit) {
    return QueryStoredObjects(request.Settings().folder, model, identifier,
                              request.Settings().aeTitle, visit);
  });
}

bool WorklistService::Serves(std::string_view sopClass) const {
  return sopClass == uid::kModalityWorklistFind;
}

bool WorklistService::Handle(ServiceRequest& request) const {
  const bool explicitVR = ExplicitVR(request);
  return AnswerFind(request, [&](const TagList& identifier, const MatchVisitor& visit) {
    return QueryWorklist(folder_, identifier, explicitVR, visit);
  });
}

}  // namespace norvane
