#include "dimse/get_scu.hpp"

#include "dimse/dimse_exchange.hpp"
#include "dimse/find_request.hpp"
#include "dimse/query_identifier.hpp"
#include "dimse/retrieval_contexts.hpp"
#include "dimse/store_response.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/requester_association.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

// One C-STORE sub-operation: its data set, its large values going to the objects' sink as
// they arrive, handed to `objects`, and the response.
ServiceResult ServeSubOperation(PDU_Service& pdu, const ReceivedCommand& request,
                                RetrievedObjects& objects, GetResult& result) {
  TagList dataset;
  const std::string syntax = pdu.GetTransferSyntax(request.contextID).value_or("");
  pdu.SetReceivedValueSink(objects.Receiving(syntax));
  const MessageRead read = pdu.ReadMessage(dataset, ExpectedMessage::kDataSet);
  pdu.SetReceivedValueSink(nullptr);
  if (!read) {
    objects.Lost();
    return MessageNotRead(read, "data set of the C-STORE-RQ");
  }
  ++result.received;
  const uint16_t status =
      objects.Keep(std::move(dataset), pdu.GetTransferSyntax(read.contextID).value_or(""));
  if (status == kStatusSuccess) ++result.kept;
  return WriteStoreRSP(pdu, request.command, request.contextID, status);
}

// A C-STORE-RQ without a field its kind requires: its data set is read past, and it is
// answered as not understood.
ServiceResult RefuseSubOperation(PDU_Service& pdu, const ReceivedCommand& request) {
  WriteLog("Get: " + request.reason);
  if (request.command.HasDataSet()) {
    TagList dropped;
    const MessageRead read = pdu.ReadMessage(dropped, ExpectedMessage::kDataSet);
    if (!read) return MessageNotRead(read, "data set of the C-STORE-RQ");
  }
  return WriteStoreRSP(pdu, request.command, request.contextID, kStatusCannotUnderstand);
}

void ReadResponses(PDU_Service& pdu, RetrievedObjects& objects, const GetProgress& progress,
                   GetResult& result) {
  for (;;) {
    const ReceivedCommand received = ReceiveCommand(pdu);
    if (!received && !pdu.Connected()) {
      result.Set(MessageNotRead(received, "C-GET-RSP"));
      return;
    }
    const uint16_t field = received.command.commandField;
    if (field == kCStoreRQ) {
      const ServiceResult served = received ? ServeSubOperation(pdu, received, objects, result)
                                            : RefuseSubOperation(pdu, received);
      if (!served) {
        result.Set(served);
        return;
      }
      continue;
    }
    if (field != kCGetRSP || !received) {
      pdu.AbortAssociation(kAbortSourceServiceUser, kAbortReasonNotSpecified);
      result.Set(field != kCGetRSP
                     ? ServiceResult::Failed(ServiceFailure::kUnexpectedResponse,
                                             "the peer sent " + CommandWithArticle(field) +
                                                 " where a C-GET-RSP or C-STORE-RQ was due")
                     : ServiceResult::Failed(ServiceFailure::kProtocol,
                                             received.reason + " (the association was aborted)"));
      return;
    }
    const DimseCommand& response = received.command;
    if (response.HasDataSet()) {
      TagList dropped;
      if (const MessageRead data = pdu.ReadMessage(dropped); !data) {
        result.Set(MessageNotRead(data, "data set after the C-GET-RSP"));
        return;
      }
    }
    ++result.responses;
    if (response.completed) result.completed = response.completed;
    if (response.failed) result.failed = response.failed;
    if (response.warning) result.warning = response.warning;
    if (progress) progress(response);
    if (IsPendingStatus(*response.status)) continue;
    result.Set(FinalStatusResult(response));
    return;
  }
}

}  // namespace

template <class Record>
GetResult GetSCU(const AssociationParameters& peer, const Record& query, RetrievedObjects& objects,
                 const GetProgress& progress) {
  GetResult result;
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  std::vector<ContextProposal> contexts = {
      {std::string(uid::kStudyRootQueryRetrieveGet), {std::string(uid::kImplicitVRLittleEndian)}}};
  const std::vector<ContextProposal> storage = RetrievalStorageContexts();
  contexts.insert(contexts.end(), storage.begin(), storage.end());
  result.Set(pdu.Propose(peer.callingAETitle, peer.calledAETitle, contexts));
  if (!result) return result;
  pdu.ProposeRoles(RetrievalScpRoles());
  pdu.SetTimeouts(peer.timeouts);
  pdu.SetMessageLimit(peer.maxObjectSize);
  pdu.SetTls(peer.tls);
  result.Set(pdu.Connect(peer.host, peer.port));
  result.associated = result.Ok();
  if (!result.associated) return result;
  if (peer.accepted) peer.accepted(pdu);
  if (!pdu.GetTransferSyntax(pdu.GetPresentationContextID(uid::kStudyRootQueryRetrieveGet))) {
    result.Set(ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                                     "the peer did not accept the Study Root Query/Retrieve GET "
                                     "SOP class"));
    (void)pdu.ReleaseAssociation();
    return result;
  }

  TagList identifier;
  BuildIdentifier(query, identifier);
  result.Set(
      SendCommand(pdu, Request(kCGetRQ, uid::kStudyRootQueryRetrieveGet, pdu.NextMessageID(), true),
                  &identifier));
  if (result) ReadResponses(pdu, objects, progress, result);
  if (pdu.Connected()) (void)pdu.ReleaseAssociation();
  return result;
}

template GetResult GetSCU(const AssociationParameters&, const StudyInfo&, RetrievedObjects&,
                          const GetProgress&);
template GetResult GetSCU(const AssociationParameters&, const SeriesInfo&, RetrievedObjects&,
                          const GetProgress&);
template GetResult GetSCU(const AssociationParameters&, const ImageInfo&, RetrievedObjects&,
                          const GetProgress&);

}  // namespace norvane
