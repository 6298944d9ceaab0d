#include "scp/retrieve_service.hpp"

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "database/stored_objects.hpp"
#include "dimse/store_request.hpp"
#include "dimse/store_result.hpp"
#include "dimse/store_scu.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/command_set.hpp"
#include "net/dimse_response.hpp"
#include "net/pdu_layout.hpp"
#include "net/role_selection.hpp"
#include "net/uids.hpp"
#include "scp/find_service.hpp"
#include "scp/retrieve_keys.hpp"
#include "scp/retrieve_response.hpp"

namespace norvane {
namespace {

enum class SubOperation { kCompleted, kWarning, kFailed };

// One retrieval request and the association it came on.
struct Retrieval {
  PDU_Service& requester;
  const TagList& command;
  uint8_t contextID;
  uint16_t responseField;
  const AssociationActivity& activity;

  bool Answer(uint16_t status, const SubOperationCounts* counts) const {
    return WriteRetrieveRSP(requester, command, contextID, responseField, status, counts);
  }
};

// Reads the identifier the request announces; nothing when the association
// ended.
std::optional<TagList> ReadIdentifier(const Retrieval& retrieval) {
  TagList identifier;
  if (GetTagUS(retrieval.command, tag::kCommandDataSetType) == kNoDataSet) return identifier;
  retrieval.activity(true);
  if (!retrieval.requester.ReadMessage(identifier, ExpectedMessage::kDataSet)) return std::nullopt;
  retrieval.activity(false);
  return identifier;
}

// The objects the identifier selects, or the status that refuses the request.
struct Selected {
  std::vector<StoredInstance> instances;
  size_t unreadable = 0;
  uint16_t status = kStatusSuccess;
};

// The information model of the retrieval's context: Patient Root or Study Root.
QueryModel ModelOf(const PDU_Service& pdu, uint8_t contextID) {
  const std::string sopClass = ContextSOPClass(pdu, contextID);
  return sopClass == uid::kPatientRootQueryRetrieveMove ||
                 sopClass == uid::kPatientRootQueryRetrieveGet
             ? QueryModel::kPatientRoot
             : QueryModel::kStudyRoot;
}

Selected Select(const Retrieval& retrieval, const TagList& identifier,
                const StoreSCPSettings& settings) {
  Selected selected;
  const RetrieveSelection selection =
      SelectionOf(identifier, ModelOf(retrieval.requester, retrieval.contextID));
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

// Reads the C-STORE-RSP of a sub-operation on `pdu`. A C-CANCEL-RQ of the
// requester that comes first (C-GET) is noted and the response is still
// awaited.
SubOperation ReadSubOperationResponse(PDU_Service& pdu, bool& cancelled) {
  for (;;) {
    TagList command;
    if (!pdu.ReadMessage(command, ExpectedMessage::kCommand)) return SubOperation::kFailed;
    const uint16_t field = GetTagUS(command, tag::kCommandField);
    if (field == kCCancelRQ) {
      cancelled = true;
      continue;
    }
    const DimseResponse response = ParseDimseResponse(command);
    if (response.dataSetFollows) {
      TagList dropped;
      if (!pdu.ReadMessage(dropped)) return SubOperation::kFailed;
    }
    if (field != kCStoreRSP) {
      pdu.AbortAssociation(kAbortSourceServiceProvider, kAbortReasonUnexpectedPdu);
      return SubOperation::kFailed;
    }
    if (response.status == kStatusSuccess) return SubOperation::kCompleted;
    if ((response.status & 0xF000) == 0xB000) return SubOperation::kWarning;
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

// Sends every selected object with a pending response after each; the final
// response follows. False when the requester's association has ended.
template <class Send>
bool RunSubOperations(const Retrieval& retrieval, const Selected& selected,
                      SubOperationCounts& counts, Send&& send) {
  bool cancelled = false;
  for (const StoredInstance& instance : selected.instances) {
    if (cancelled) break;
    Count(send(instance, cancelled), instance, counts);
    if (!retrieval.requester.Connected()) return false;
    if (counts.remaining > 0 && !cancelled && !retrieval.Answer(kStatusPending, &counts)) {
      return false;
    }
  }
  const uint16_t status = cancelled ? kStatusCancel : counts.FinalStatus();
  return retrieval.Answer(status, &counts);
}

}  // namespace

bool ServeMove(PDU_Service& pdu, const TagList& command, uint8_t contextID,
               const StoreSCPSettings& settings, const AssociationActivity& activity) {
  const Retrieval retrieval{pdu, command, contextID, kCMoveRSP, activity};
  const std::optional<TagList> identifier = ReadIdentifier(retrieval);
  if (!identifier) return false;
  const std::string destinationTitle = GetTagText(command, tag::kMoveDestination);
  const MoveDestination* destination =
      FindMoveDestination(settings.moveDestinations, destinationTitle);
  if (destination == nullptr) {
    WriteLog("Move destination unknown: " + destinationTitle);
    return retrieval.Answer(kStatusMoveDestinationUnknown, nullptr);
  }
  const Selected selected = Select(retrieval, *identifier, settings);
  if (selected.status != kStatusSuccess) return retrieval.Answer(selected.status, nullptr);
  SubOperationCounts counts = StartingCounts(selected);
  if (selected.instances.empty()) return retrieval.Answer(counts.FinalStatus(), &counts);

  PDU_Service out;
  out.SetTrace(pdu.Trace());
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
  const ServiceResult opened = OpenAssoc(out, peer, MoveContexts(selected.instances));
  if (!opened) {
    WriteLog("Move to " + destination->aeTitle + ": " + opened.reason);
    for (const StoredInstance& instance : selected.instances) {
      Count(SubOperation::kFailed, instance, counts);
    }
    return retrieval.Answer(counts.FinalStatus(), &counts);
  }
  const MoveOriginator originator{std::string(TrimmedText(pdu.assocRQ().CallingApTitle())),
                                  GetTagUS(command, tag::kMessageID)};
  const bool open = RunSubOperations(
      retrieval, selected, counts, [&](const StoredInstance& instance, bool& cancelled) {
        return out.Connected() ? SendInstance(out, instance, originator, cancelled)
                               : SubOperation::kFailed;
      });
  if (out.Connected()) out.ReleaseAssociation();
  return open;
}

bool ServeGet(PDU_Service& pdu, const TagList& command, uint8_t contextID,
              const StoreSCPSettings& settings, const AssociationActivity& activity) {
  const Retrieval retrieval{pdu, command, contextID, kCGetRSP, activity};
  const std::optional<TagList> identifier = ReadIdentifier(retrieval);
  if (!identifier) return false;
  const Selected selected = Select(retrieval, *identifier, settings);
  if (selected.status != kStatusSuccess) return retrieval.Answer(selected.status, nullptr);
  SubOperationCounts counts = StartingCounts(selected);
  const MoveOriginator originator{std::string(TrimmedText(pdu.assocRQ().CallingApTitle())),
                                  GetTagUS(command, tag::kMessageID)};
  return RunSubOperations(
      retrieval, selected, counts, [&](const StoredInstance& instance, bool& cancelled) {
        // The requester receives only what it took the SCP role for.
        if (!NegotiatedRoles(pdu.assocAC().UserInfo().roleSelections, instance.sopClassUID)
                 .scpRole) {
          WriteLog("Get: the requester took no SCP role for " + instance.sopClassUID);
          return SubOperation::kFailed;
        }
        activity(true);
        const SubOperation outcome = SendInstance(pdu, instance, originator, cancelled);
        activity(false);
        return outcome;
      });
}

}  // namespace norvane
