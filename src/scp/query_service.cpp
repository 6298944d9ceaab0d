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

// Answers a C-FIND with the matches of `query`, each sent as a pending response while the
// requester has not cancelled; then the final response. False when the association ended.
bool AnswerFind(ServiceRequest& request,
                const std::function<QueryAnswer(const TagList& identifier)>& query) {
  TagList identifier;
  if (!request.ReadDataSet(identifier)) return false;
  if (!request.Command().HasDataSet()) return request.Respond(kStatusUnableToProcess).Ok();
  const QueryAnswer answer = query(identifier);
  if (!answer.identifierValid) {
    WriteLog("Find: " + answer.problem);
    return request.Respond(kStatusIdentifierDoesNotMatch).Ok();
  }
  DimseCommand pending = ResponseTo(request.Command(), kStatusPending);
  pending.commandDataSetType = kDataSetPresent;
  for (const TagList& match : answer.matches) {
    if (request.CancelRequested()) return request.Respond(kStatusCancel).Ok();
    if (request.Ended()) return false;
    request.AwaitingPeer();  // the peer takes each response at its own pace
    if (!request.Respond(pending, &match)) return false;
  }
  request.Working();
  if (request.CancelRequested()) return request.Respond(kStatusCancel).Ok();
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
  return AnswerFind(request, [&](const TagList& identifier) {
    return QueryStoredObjects(request.Settings().folder, model, identifier,
                              request.Settings().aeTitle);
  });
}

bool WorklistService::Serves(std::string_view sopClass) const {
  return sopClass == uid::kModalityWorklistFind;
}

bool WorklistService::Handle(ServiceRequest& request) const {
  const bool explicitVR = ExplicitVR(request);
  return AnswerFind(request, [&](const TagList& identifier) {
    return QueryWorklist(folder_, identifier, explicitVR);
  });
}

}  // namespace norvane
