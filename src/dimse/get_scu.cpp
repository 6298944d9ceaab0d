#include "dimse/get_scu.hpp"

#include "dimse/query_identifier.hpp"
#include "dimse/retrieval_contexts.hpp"
#include "dimse/store_response.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/command_set.hpp"
#include "net/context_message.hpp"
#include "net/uids.hpp"
#include "net/unique_ids.hpp"

namespace norvane {
namespace {

// One C-STORE sub-operation: its data set, handed to `keep`, and the response.
ServiceResult ServeSubOperation(PDU_Service& pdu, const TagList& command,
                                const RetrievedObject& keep, GetResult& result) {
  const uint8_t contextID = pdu.pDataTF().MessageContextID();
  TagList dataset;
  if (!pdu.ReadMessage(dataset, ExpectedMessage::kDataSet)) {
    return MessageNotRead(pdu, "data set of the C-STORE-RQ");
  }
  ++result.received;
  const uint16_t status =
      keep ? keep(std::move(dataset), pdu.GetTransferSyntax(contextID).value_or(""))
           : kStatusOutOfResources;
  if (status == kStatusSuccess) ++result.kept;
  if (!WriteStoreRSP(pdu, command, contextID, status)) {
    return NotSent(pdu, "the C-STORE-RSP");
  }
  return ServiceResult::Success();
}

void ReadResponses(PDU_Service& pdu, const RetrievedObject& keep, const GetProgress& progress,
                   GetResult& result) {
  for (;;) {
    TagList command;
    if (!pdu.ReadMessage(command, ExpectedMessage::kCommand)) {
      result.Set(MessageNotRead(pdu, "C-GET-RSP"));
      return;
    }
    const uint16_t field = GetTagUS(command, tag::kCommandField);
    if (field == kCStoreRQ) {
      const ServiceResult served = ServeSubOperation(pdu, command, keep, result);
      if (!served) {
        result.Set(served);
        return;
      }
      continue;
    }
    if (field != kCGetRSP) {
      pdu.AbortAssociation(kAbortSourceServiceUser, kAbortReasonNotSpecified);
      result.Set(ServiceResult::Failed(ServiceFailure::kUnexpectedResponse,
                                       "the peer sent a " + CommandFieldName(field) +
                                           " where a C-GET-RSP or C-STORE-RQ was due"));
      return;
    }
    const DimseResponse response = ParseDimseResponse(command);
    if (response.dataSetFollows) {
      TagList dropped;
      if (!pdu.ReadMessage(dropped)) {
        result.Set(MessageNotRead(pdu, "data set after the C-GET-RSP"));
        return;
      }
    }
    ++result.responses;
    if (response.completed) result.completed = response.completed;
    if (response.failed) result.failed = response.failed;
    if (response.warning) result.warning = response.warning;
    if (progress) progress(response);
    if (response.status == kStatusPending || response.status == kStatusPendingWarning) continue;
    result.Set(FinalStatusResult(response));
    return;
  }
}

}  // namespace

TagList GetRQCommand(std::string_view sopClass, uint16_t messageID) {
  TagList elements;
  elements.push_back(GeneratePaddedTag(tag::kAffectedSOPClassUID, "UI", sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCGetRQ));
  elements.push_back(CommandUS(tag::kMessageID, messageID));
  elements.push_back(CommandUS(tag::kPriority, kPriorityMedium));
  elements.push_back(CommandUS(tag::kCommandDataSetType, kDataSetPresent));
  return CommandSet(std::move(elements));
}

template <class Record>
GetResult GetSCU(const AssociationParameters& peer, const Record& query,
                 const RetrievedObject& keep, const GetProgress& progress) {
  GetResult result;
  PDU_Service pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  std::vector<ContextProposal> contexts = {
      {std::string(uid::kStudyRootQueryRetrieveGet), {std::string(uid::kImplicitVRLittleEndian)}}};
  const std::vector<ContextProposal> storage = RetrievalStorageContexts();
  contexts.insert(contexts.end(), storage.begin(), storage.end());
  const std::string_view calling =
      peer.callingAETitle.empty() ? kDefaultCallingApTitle : std::string_view(peer.callingAETitle);
  if (!pdu.ProposeAssociation(calling, peer.calledAETitle, contexts)) {
    result.Set(ServiceResult::Failed(ServiceFailure::kLocal,
                                     "the presentation contexts cannot be proposed"));
    return result;
  }
  pdu.assocRQ().UserInfo().roleSelections = RetrievalScpRoles();
  pdu.SetTimeouts(peer.timeouts);
  result.Set(pdu.Connect(peer.host, peer.port));
  result.associated = result.Ok();
  if (!result.associated) return result;
  if (!pdu.GetTransferSyntax(pdu.GetPresentationContextID(uid::kStudyRootQueryRetrieveGet))) {
    result.Set(ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                                     "the peer did not accept the Study Root Query/Retrieve GET "
                                     "SOP class"));
    pdu.ReleaseAssociation();
    return result;
  }

  TagList identifier;
  BuildIdentifier(query, identifier);
  const TagList command = GetRQCommand(uid::kStudyRootQueryRetrieveGet, NextMessageID());
  if (!pdu.WriteMessage(command, uid::kStudyRootQueryRetrieveGet, kCommandMessage)) {
    result.Set(NotSent(pdu, "the C-GET-RQ"));
  } else if (!pdu.WriteMessage(identifier, uid::kStudyRootQueryRetrieveGet, kDataSetMessage)) {
    result.Set(NotSent(pdu, "the identifier of the C-GET-RQ"));
    pdu.AbortAssociation();
  } else {
    ReadResponses(pdu, keep, progress, result);
  }
  if (pdu.Connected()) pdu.ReleaseAssociation();
  return result;
}

template GetResult GetSCU(const AssociationParameters&, const StudyInfo&, const RetrievedObject&,
                          const GetProgress&);
template GetResult GetSCU(const AssociationParameters&, const SeriesInfo&, const RetrievedObject&,
                          const GetProgress&);
template GetResult GetSCU(const AssociationParameters&, const ImageInfo&, const RetrievedObject&,
                          const GetProgress&);

}  // namespace norvane
