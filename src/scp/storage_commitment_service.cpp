#include "scp/storage_commitment_service.hpp"

#include <map>
#include <thread>

#include "database/stored_objects.hpp"
#include "dimse/dimse_exchange.hpp"
#include "dimse/storage_commitment.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/role_selection.hpp"
#include "net/uids.hpp"
#include "scp/destination_peer.hpp"
#include "scp/move_destinations.hpp"

namespace norvane {
namespace {

// Which of the referenced instances the storage folder holds.
CommitmentReport Check(const std::string& folder, const CommitmentRequest& request) {
  InstanceKeys keys;
  for (const InstanceReference& ref : request.references) {
    keys.sopInstanceUIDs.push_back(ref.sopInstance);
  }
  std::map<std::string, std::string> held;  // instance -> class
  for (StoredInstance& stored : ListStoredInstances(folder, keys).instances) {
    held.emplace(std::move(stored.sopInstanceUID), std::move(stored.sopClassUID));
  }
  CommitmentReport report;
  report.transactionUID = request.transactionUID;
  for (const InstanceReference& ref : request.references) {
    const auto found = held.find(ref.sopInstance);
    if (found == held.end()) {
      report.failed.push_back({ref, kFailureNoSuchObjectInstance});
    } else if (found->second != ref.sopClass) {
      report.failed.push_back({ref, kFailureClassInstanceConflict});
    } else {
      report.committed.push_back(ref);
    }
  }
  report.eventType = report.failed.empty() ? kCommitmentSuccessEvent : kCommitmentFailuresEvent;
  return report;
}

// The requester still holds the association open: nothing arrives from it for a moment.
bool HeldOpen(ServiceRequest& request) {
  AcceptorAssociation& association = request.Association();
  const auto until = std::chrono::steady_clock::now() + kSameAssociationGrace;
  while (association.Connected() && !association.MessageWaiting()) {
    if (std::chrono::steady_clock::now() >= until) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Sends the report on an association of its own to the requester's title.
ServiceResult SendOnNewAssociation(const ServiceRequest& request, const CommitmentReport& report) {
  const StoreSCPSettings& settings = request.Settings();
  const MoveDestination* destination =
      FindMoveDestination(settings.moveDestinations, request.CallingApTitle());
  if (destination == nullptr) {
    return ServiceResult::Failed(ServiceFailure::kLocal,
                                 "no --dest address for " + std::string(request.CallingApTitle()));
  }
  RequesterAssociation out;
  out.SetTrace(request.Association().Trace());
  // This side sends the N-EVENT-REPORT: it asks for the SCP role of the class.
  out.ProposeRoles({RoleSelection{std::string(uid::kStorageCommitmentPushModel), false, true}});
  ServiceResult result =
      OpenAssoc(out, DestinationPeer(settings, *destination), CommitmentContexts());
  if (result) result = SendCommitmentReport(out, report);
  CloseAssoc(out);
  return result;
}

}  // namespace

bool StorageCommitmentService::Serves(std::string_view sopClass) const {
  return sopClass == uid::kStorageCommitmentPushModel;
}

bool StorageCommitmentService::Handle(ServiceRequest& request) const {
  TagList dataset;
  if (!request.ReadDataSet(dataset)) return false;
  const DimseCommand& command = request.Command();
  DimseCommand response = ResponseTo(command, kStatusSuccess);
  response.affectedSOPInstanceUID = command.requestedSOPInstanceUID;
  std::string problem;
  std::optional<CommitmentRequest> asked;
  if (command.actionTypeID != kRequestStorageCommitment) {
    response.status = kStatusNoSuchAction;
  } else if (command.requestedSOPInstanceUID != uid::kStorageCommitmentPushModelInstance) {
    response.status = kStatusNoSuchSOPInstance;
  } else {
    const std::optional<DatasetEncoding> encoding =
        request.Association().MessageEncoding(request.ContextID());
    asked = ParseCommitmentRequest(dataset, !encoding || encoding->explicitVR, problem);
    if (!asked) {
      response.status = kStatusInvalidArgumentValue;
      response.errorComment = problem.substr(0, 64);
    } else {
      response.actionTypeID = kRequestStorageCommitment;
    }
  }
  if (!request.Respond(response)) return !request.Ended();
  if (!asked) {
    WriteLog("Storage commitment refused: " + StatusText(*response.status) + " " + problem);
    return true;
  }
  request.Working();
  const CommitmentReport report = Check(request.Settings().folder, *asked);
  request.AwaitingPeer();
  const bool sameAssociation = HeldOpen(request);
  const ServiceResult sent = sameAssociation ? SendCommitmentReport(request.Association(), report)
                                             : SendOnNewAssociation(request, report);
  WriteLog("Storage commitment " + asked->transactionUID + ": " +
           std::to_string(report.committed.size()) + " committed, " +
           std::to_string(report.failed.size()) + " failed; report " +
           (sameAssociation ? "on the same association" : "on a new association") +
           (sent ? std::string(" answered") : " not delivered: " + sent.reason));
  return request.Association().Connected();
}

}  // namespace norvane
