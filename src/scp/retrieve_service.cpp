#include "scp/retrieve_service.hpp"

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "database/stored_objects.hpp"
#include "dimse/dimse_exchange.hpp"
#include "dimse/store_request.hpp"
#include "dimse/store_result.hpp"
#include "dimse/store_scu.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/pdu_layout.hpp"
#include "net/uids.hpp"
#include "scp/retrieve_keys.hpp"
#include "scp/retrieve_response.hpp"

namespace norvane {
namespace {

enum class SubOperation { kCompleted, kWarning, kFailed };

// Answers the retrieval request: a pending or final response with the numbers when
// given, and after a final one with failures the Failed SOP Instance UID List.
bool Answer(const ServiceRequest& request, uint16_t status, const SubOperationCounts* counts) {
  const bool listsFailures =
      status != kStatusPending && counts != nullptr && !counts->failedInstances.empty();
  const DimseCommand response = RetrieveResponse(request.Command(), status, counts, listsFailures);
  if (!listsFailures) return request.Respond(response).Ok();
  const TagList failed = FailedInstanceList(*counts);
  return request.Respond(response, &failed).Ok();
}

// The objects the identifier selects, or the status that refuses the request.
struct Selected {
  std::vector<StoredInstance> instances;
  size_t unreadable = 0;
  uint16_t status = kStatusSuccess;
};

// The information model of the retrieval's context: Patient Root or Study Root.
QueryModel ModelOf(const ServiceRequest& request) {
  const std::string_view sopClass = request.ContextSOPClass();
  return sopClass == uid::kPatientRootQueryRetrieveMove ||
                 sopClass == uid::kPatientRootQueryRetrieveGet
             ? QueryModel::kPatientRoot
             : QueryModel::kStudyRoot;
}

Selected Select(const ServiceRequest& request, const TagList& identifier) {
  const StoreSCPSettings& settings = request.Settings();
  Selected selected;
  const RetrieveSelection selection = SelectionOf(identifier, ModelOf(request));
  if (selection.status != kStatusSuccess) {
    WriteLog("Retrieve: " + selection.problem);
    selected.status = selection.status;
    return selected;
  }
  StoredInstances stored = ListStoredInstances(settings.folder, selection.keys);
  selected.instances = std::move(stored.instances);
  selected.unreadable = stored.unreadableFiles.size();
  for (const std::string& file : stored.unreadableFiles) {
    WriteLog("Retrieve: the indexed file " + file + " cannot be read");
  }
  return selected;
}

SubOperationCounts StartingCounts(const Selected& selected) {
  SubOperationCounts counts;
  counts.remaining = selected.instances.size();
  counts.failed = selected.unreadable;
  return counts;
}

void Count(SubOperation outcome, const StoredInstance& instance, SubOperationCounts& counts) {
  if (counts.remaining > 0) --counts.remaining;
  switch (outcome) {
    case SubOperation::kCompleted:
      ++counts.completed;
      break;
    case SubOperation::kWarning:
      ++counts.warning;
      break;
    case SubOperation::kFailed:
      ++counts.failed;
      counts.failedInstances.push_back(instance.sopInstanceUID);
      break;
  }
}

// Reads the C-STORE-RSP of a sub-operation on `pdu`. A C-CANCEL-RQ of the requester
// that comes first (C-GET) is noted and the response is still awaited. A response without
// a valid Status counts as failed.
SubOperation ReadSubOperationResponse(PDU_Service& pdu, bool& cancelled) {
  for (;;) {
    const ReceivedCommand received = ReceiveCommand(pdu);
    if (!pdu.Connected()) return SubOperation::kFailed;
    const DimseCommand& response = received.command;
    if (response.commandField == kCCancelRQ) {
      cancelled = true;
      continue;
    }
    if (response.HasDataSet() && response.commandField != 0) {
      TagList dropped;
      if (!pdu.ReadMessage(dropped)) return SubOperation::kFailed;
    }
    if (response.commandField != kCStoreRSP) {
      pdu.AbortAssociation(kAbortSourceServiceProvider, kAbortReasonUnexpectedPdu);
      return SubOperation::kFailed;
    }
    if (!received) {
      WriteLog("Retrieve: " + received.reason);
      return SubOperation::kFailed;
    }
    if (*response.status == kStatusSuccess) return SubOperation::kCompleted;
    if ((*response.status & 0xF000) == 0xB000) return SubOperation::kWarning;
    return SubOperation::kFailed;
  }
}

// One C-STORE sub-operation on `out`: the stored file as it is, or converted to
// a syntax the peer accepted for its class.
SubOperation SendInstance(PDU_Service& out, const StoredInstance& instance,
                          const MoveOriginator& originator, bool& cancelled) {
  TagList dataset;
  StoreResult loaded;
  if (!LoadObjectForStore(instance.filePath, dataset, loaded)) {
    WriteLog("Retrieve: " + loaded.reason);
    return SubOperation::kFailed;
  }
  const StoreRequestResult sent =
      SendStoreRQ(out, dataset, instance.sopClassUID, loaded.fileSyntax, true, originator);
  if (!sent) {
    WriteLog("Retrieve: " + instance.sopInstanceUID + " " + sent.reason);
    return SubOperation::kFailed;
  }
  return ReadSubOperationResponse(out, cancelled);
}

// Each SOP class of the objects with each of their own syntaxes, and with
// explicit and implicit VR little endian for the objects the peer takes only
// uncompressed; one syntax per context, so that the peer decides on each. At
// most 128 contexts.
std::vector<ContextProposal> MoveContexts(const std::vector<StoredInstance>& instances) {
  std::set<std::pair<std::string, std::string>> pairs;
  std::vector<ContextProposal> contexts;
  const auto add = [&](const std::string& sopClass, std::string_view syntax) {
    if (contexts.size() >= kMaxPresentationContexts) return;
    if (pairs.emplace(sopClass, std::string(syntax)).second) {
      contexts.push_back({sopClass, {std::string(syntax)}});
    }
  };
  for (const StoredInstance& instance : instances) {
    add(instance.sopClassUID, instance.transferSyntax);
    add(instance.sopClassUID, uid::kExplicitVRLittleEndian);
    add(instance.sopClassUID, uid::kImplicitVRLittleEndian);
  }
  return contexts;
}

// Sends every selected object with a pending response after each; the final response
// follows. A C-CANCEL-RQ, read between sub-operations or while one awaits its response,
// ends them. False when the requester's association has ended.
template <class Send>
bool RunSubOperations(ServiceRequest& request, const Selected& selected, SubOperationCounts& counts,
                      Send&& send) {
  bool cancelled = false;
  for (const StoredInstance& instance : selected.instances) {
    if (cancelled || request.CancelRequested()) {
      cancelled = true;
      break;
    }
    if (request.Ended()) return false;
    Count(send(instance, cancelled), instance, counts);
    if (request.Ended()) return false;
    if (counts.remaining > 0 && !cancelled && !Answer(request, kStatusPending, &counts)) {
      return false;
    }
  }
  request.Working();
  const uint16_t status = cancelled ? kStatusCancel : counts.FinalStatus();
  return Answer(request, status, &counts);
}

}  // namespace

bool MoveService::Serves(std::string_view sopClass) const {
  return sopClass == uid::kStudyRootQueryRetrieveMove ||
         sopClass == uid::kPatientRootQueryRetrieveMove;
}

bool MoveService::Handle(ServiceRequest& request) const {
  const StoreSCPSettings& settings = request.Settings();
  const std::string& destinationTitle = request.Command().moveDestination;
  TagList identifier;
  if (!request.ReadDataSet(identifier)) return false;
  const MoveDestination* destination =
      FindMoveDestination(settings.moveDestinations, destinationTitle);
  if (destination == nullptr) {
    WriteLog("Move destination unknown: " + destinationTitle);
    return Answer(request, kStatusMoveDestinationUnknown, nullptr);
  }
  const Selected selected = Select(request, identifier);
  if (selected.status != kStatusSuccess) return Answer(request, selected.status, nullptr);
  SubOperationCounts counts = StartingCounts(selected);
  if (selected.instances.empty()) return Answer(request, counts.FinalStatus(), &counts);

  RequesterAssociation out;
  out.SetTrace(request.Association().Trace());
  AssociationParameters peer;
  peer.host = destination->host;
  peer.port = destination->port;
  peer.callingAETitle = settings.aeTitle;
  peer.calledAETitle = destination->aeTitle;
  // The destination is a peer of the SCP like any other: it answers within the SCP's own
  // limits, the association within the ARTIM time-out and each response within the idle one.
  peer.timeouts.connect = settings.artimTimeout;
  peer.timeouts.acse = settings.artimTimeout;
  peer.timeouts.dimse = settings.idleTimeout;
  // The SCP's own certificate and trusted certificates serve its sub-associations too.
  if (destination->tls) {
    peer.tls = settings.tls;
    peer.tls.enabled = true;
  }
  const ServiceResult opened = OpenAssoc(out, peer, MoveContexts(selected.instances));
  if (!opened) {
    WriteLog("Move to " + destination->aeTitle + ": " + opened.reason);
    for (const StoredInstance& instance : selected.instances) {
      Count(SubOperation::kFailed, instance, counts);
    }
    return Answer(request, counts.FinalStatus(), &counts);
  }
  const MoveOriginator originator{std::string(request.CallingApTitle()),
                                  request.Command().messageID.value_or(0)};
  const bool open = RunSubOperations(
      request, selected, counts, [&](const StoredInstance& instance, bool& cancelled) {
        return out.Connected() ? SendInstance(out, instance, originator, cancelled)
                               : SubOperation::kFailed;
      });
  if (out.Connected()) (void)out.ReleaseAssociation();
  return open;
}

bool GetService::Serves(std::string_view sopClass) const {
  return sopClass == uid::kStudyRootQueryRetrieveGet ||
         sopClass == uid::kPatientRootQueryRetrieveGet;
}

bool GetService::Handle(ServiceRequest& request) const {
  TagList identifier;
  if (!request.ReadDataSet(identifier)) return false;
  const Selected selected = Select(request, identifier);
  if (selected.status != kStatusSuccess) return Answer(request, selected.status, nullptr);
  SubOperationCounts counts = StartingCounts(selected);
  AcceptorAssociation& association = request.Association();
  const MoveOriginator originator{std::string(request.CallingApTitle()),
                                  request.Command().messageID.value_or(0)};
  return RunSubOperations(
      request, selected, counts, [&](const StoredInstance& instance, bool& cancelled) {
        // The requester receives only what it took the SCP role for.
        if (!association.NegotiatedRoles(instance.sopClassUID).scpRole) {
          WriteLog("Get: the requester took no SCP role for " + instance.sopClassUID);
          return SubOperation::kFailed;
        }
        request.AwaitingPeer();
        const SubOperation outcome = SendInstance(association, instance, originator, cancelled);
        request.Working();
        return outcome;
      });
}

}  // namespace norvane
