#include <string>

#include "datadec/deflate_stream.hpp"
#include "log/log.hpp"
#include "net/pdu_layout.hpp"
#include "net/pdu_service.hpp"
#include "net/pdu_writer.hpp"

// Sending and receiving whole DIMSE messages over P-DATA-TF, and the handling of every
// other PDU that may arrive while a message is awaited.

namespace norvane {
namespace {

// The deadline of one message, cleared whichever way the read ends.
class MessageDeadline {
 public:
  MessageDeadline(Socket& socket, std::optional<NetworkTimeouts> timeouts) : socket_(socket) {
    if (timeouts && timeouts->dimse.count() > 0) {
      socket_.SetDeadline(Socket::Clock::now() + timeouts->dimse);
    }
  }
  ~MessageDeadline() { socket_.ClearDeadline(); }
  MessageDeadline(const MessageDeadline&) = delete;
  MessageDeadline& operator=(const MessageDeadline&) = delete;

 private:
  Socket& socket_;
};

}  // namespace

template <class Sink>
bool PDU_Service::EncodeMessage(const TagList& list, DatasetEncoding encoding, Sink& sink) {
  TraceTitles(" >> ");
  for (const TagRecord& record : list) {
    const std::optional<EncodedElement> element = EncodeElement(record, kNetworkRules, encoding);
    if (!element || !PutElement(sink, *element)) return false;
    if (trace_) TraceElement(record, encoding.explicitVR);
  }
  TraceLine("");
  return true;
}

ServiceResult PDU_Service::WriteMessage(const TagList& list, std::string_view sopClass,
                                        uint8_t control) {
  const uint8_t id = GetPresentationContextID(sopClass);
  // A message on a context the peer did not accept would be a protocol error on its side.
  if (id == 0 || !GetTransferSyntax(id)) {
    return ServiceResult::Failed(
        ServiceFailure::kNoPresentationContext,
        "no accepted presentation context for SOP class " + std::string(sopClass));
  }
  return WriteMessageOn(list, id, control);
}

ServiceResult PDU_Service::WriteMessageOn(const TagList& list, uint8_t id, uint8_t control) {
  if (id == 0 || !GetTransferSyntax(id)) {
    return ServiceResult::Failed(
        ServiceFailure::kNoPresentationContext,
        "presentation context " + std::to_string(id) + " was not accepted");
  }
  // Checked whole before the first PDU, so that a message that cannot be encoded sends
  // nothing; then encoded straight into PDUs, never held whole.
  const std::optional<DatasetEncoding> encoding =
      MessageEncoding(control == kCommandMessage ? 0 : id);
  if (!encoding || !Encodable(list, *encoding)) {
    return ServiceResult::Failed(ServiceFailure::kNotSent,
                                 "an element of the message cannot be encoded");
  }
  pDataTF_.SetMessageContextID(id);
  pDataTF_.SetMessageControl(control);
  // Whatever an earlier failure left queued must not go out ahead of this message.
  buffer_.ClearOutgoing();
  PduWriter writer(pDataTF_, buffer_.transport());
  bool encoded = false;
  if (encoding->deflated) {
    // The data set is one deflate stream, cut into PDUs as it is made.
    DeflatingSink<PduWriter> deflating(writer);
    encoded = EncodeMessage(list, *encoding, deflating) && deflating.Finish();
  } else {
    encoded = EncodeMessage(list, *encoding, writer);
  }
  if (encoded && writer.End()) return ServiceResult::Success();
  return SendingFailed();
}

ServiceResult PDU_Service::SendingFailed() {
  if (buffer_.socket().TimedOut()) {
    return ServiceResult::Failed(
        ServiceFailure::kTimeout,
        "the peer took no data for " + DurationText(Timeouts().dimse) + " (DIMSE time-out)");
  }
  return ServiceResult::Failed(ServiceFailure::kNotSent, Connected()
                                                             ? "the connection failed"
                                                             : "the association is not open");
}

MessageRead PDU_Service::EndReading(ServiceResult why) {
  pDataTF_.ClearPending();
  pDataTF_.ClearMessageComplete();
  pDataTF_.MessageBuffer().ClearIncoming();
  decoder_.Abandon();
  buffer_.socket().Close();
  MessageRead read;
  read.Set(std::move(why));
  return read;
}

MessageRead PDU_Service::AbortReading(uint8_t reason, ServiceResult why) {
  AbortAssociation(kAbortSourceServiceProvider, reason);
  return EndReading(std::move(why));
}

MessageRead PDU_Service::ReadingFailed(std::string_view what) {
  if (buffer_.socket().DeadlinePassed()) {
    return AbortReading(
        kAbortReasonNotSpecified,
        ServiceResult::Failed(
            ServiceFailure::kTimeout,
            "no whole message within " + DurationText(Timeouts().dimse) + " (DIMSE time-out)"));
  }
  if (!Connected() || what.empty()) {
    return EndReading(
        ServiceResult::Failed(ServiceFailure::kNoResponse, "the peer closed the connection"));
  }
  return AbortReading(
      kAbortReasonInvalidPduParameter,
      ServiceResult::Failed(ServiceFailure::kProtocol,
                            "the peer sent " + std::string(what) + " that does not fit its PDU"));
}

void PDU_Service::ReportProgress(size_t& reported) {
  if (!progress_) return;
  const size_t gathered = pDataTF_.MessageBytes();
  if (pDataTF_.MessageComplete() || gathered >= reported + kProgressBytes) {
    reported = gathered;
    progress_(gathered);
  }
}

MessageRead PDU_Service::ReadMessage(TagList& list, ExpectedMessage expected) {
  if (!Connected()) {
    MessageRead read;
    read.Set(ServiceResult::Failed(ServiceFailure::kNoResponse, "the association is not open"));
    return read;
  }
  const MessageDeadline deadline(buffer_.socket(), timeouts_);
  pDataTF_.ClearMessageComplete();
  pDataTF_.Expect(expected);
  decoder_.Begin(list);
  size_t reported = 0;
  // A PDU that held the end of the previous message may hold the start of this one.
  if (pDataTF_.PendingLength() != 0 && !pDataTF_.ReadDynamic(buffer_, &decoder_)) {
    return ReadingFailed("a P-DATA-TF PDU");
  }
  while (!pDataTF_.MessageComplete()) {
    uint8_t type;
    if (!buffer_.ReadByte(type)) return ReadingFailed({});
    switch (type) {
      case kPduPDataTF:
        if (!pDataTF_.ReadDynamic(buffer_, &decoder_)) return ReadingFailed("a P-DATA-TF PDU");
        if (decoder_.InflatedPastLimit()) {
          return AbortReading(kAbortReasonNotSpecified,
                              ServiceResult::Failed(
                                  ServiceFailure::kProtocol,
                                  "the peer sent a deflated data set that inflates past the " +
                                      std::to_string(messageLimit_) + " bytes allowed (aborted)"));
        }
        if (const uint64_t limit = (pDataTF_.MessageControlHeader() & kPdvCommandBit) != 0
                                       ? kLongestCommandSet
                                       : messageLimit_;
            limit > 0 && pDataTF_.MessageBytes() > limit) {
          return AbortReading(
              kAbortReasonNotSpecified,
              ServiceResult::Failed(ServiceFailure::kProtocol,
                                    "the peer sent a message longer than the " +
                                        std::to_string(limit) + " bytes allowed (aborted)"));
        }
        ReportProgress(reported);
        break;
      case kPduReleaseRQ:
        if (AReleaseRQ release; release.ReadDynamic(buffer_)) AReleaseRP().Write(buffer_);
        return EndReading(ServiceResult::Failed(ServiceFailure::kNoResponse,
                                                "the peer released the association"));
      case kPduReleaseRP:
        WriteLog("ERROR, RELEASE-RP");
        return EndReading(ServiceResult::Failed(
            ServiceFailure::kProtocol, "the peer sent an A-RELEASE-RP that nothing asked for"));
      case kPduAbort:
        WriteLog("ERROR, ABORT-RQ");
        return EndReading(PeerAbort());
      case kPduAssociateRQ:
        WriteLog("ERROR, ASSOCIATE-RQ");
        AAssociateRQ().ReadDynamic(buffer_);
        return AbortReading(kAbortReasonUnexpectedPdu,
                            ServiceResult::Failed(ServiceFailure::kProtocol,
                                                  "the peer sent an A-ASSOCIATE-RQ during the "
                                                  "association (aborted)"));
      case kPduAssociateAC:
        WriteLog("ERROR, ASSOCIATE-AC");
        AAssociateAC().ReadDynamic(buffer_);
        return AbortReading(kAbortReasonUnexpectedPdu,
                            ServiceResult::Failed(ServiceFailure::kProtocol,
                                                  "the peer sent an A-ASSOCIATE-AC during the "
                                                  "association (aborted)"));
      case kPduAssociateRJ:
        WriteLog("ERROR, ASSOCIATE-RJ");
        return AbortReading(kAbortReasonUnexpectedPdu,
                            ServiceResult::Failed(ServiceFailure::kProtocol,
                                                  "the peer sent an A-ASSOCIATE-RJ during the "
                                                  "association (aborted)"));
      default:
        WriteLog("ERROR, Protocol Error: " + std::to_string(type));
        return AbortReading(kAbortReasonUnrecognizedPdu,
                            ServiceResult::Failed(ServiceFailure::kProtocol,
                                                  "the peer sent a PDU of unknown type " +
                                                      std::to_string(type) + " (aborted)"));
    }
  }
  if (FinishDecoding()) {
    MessageRead read;
    read.contextID = pDataTF_.MessageContextID();
    return read;
  }
  WriteLog("ERROR, ParseRawVRIntoDCM");
  return AbortReading(kAbortReasonInvalidPduParameter,
                      ServiceResult::Failed(ServiceFailure::kProtocol,
                                            "the peer sent a message that cannot be decoded "
                                            "(aborted)"));
}

}  // namespace norvane
