#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datadec/element_codec.hpp"
#include "elements/tag_record.hpp"
#include "net/abort.hpp"
#include "net/acceptor_policy.hpp"
#include "net/associate_rj.hpp"
#include "net/associate_rq_ac.hpp"
#include "net/association_parameters.hpp"
#include "net/buffer.hpp"
#include "net/message_decoder.hpp"
#include "net/pdata_tf.hpp"
#include "net/presentation_context_accept.hpp"
#include "net/release.hpp"
#include "net/service_result.hpp"

namespace norvane {

// Calling AE title used when the caller gives none: KAVORN padded with blanks to 16.
inline constexpr std::string_view kDefaultCallingApTitle = "KAVORN          ";
// Implementation version name sent in associations.
inline constexpr std::string_view kAssociationVersionName = "VelmoraVista";

// Message control of WriteMessage: what the message is.
inline constexpr uint8_t kDataSetMessage = 0;
inline constexpr uint8_t kCommandMessage = 1;

// One presentation context to propose: an abstract syntax and its transfer syntaxes, in
// order.
struct ContextProposal {
  std::string abstractSyntax;
  std::vector<std::string> transferSyntaxes;
};

// One DICOM association, as requester or acceptor: negotiation, release, and the
// presentation context look-ups of every DIMSE sender. One object serves one association
// and is used by one thread at a time. The association is open exactly while the
// socket is connected.
class PDU_Service {
 public:
  PDU_Service();
  PDU_Service(const PDU_Service&) = delete;
  PDU_Service& operator=(const PDU_Service&) = delete;
  // Releases the association first when the socket is still connected.
  virtual ~PDU_Service();

  // Association trace lines go to the log only while this is on.
  void SetTrace(bool on) { trace_ = on; }
  bool Trace() const { return trace_; }

  // The time limits of the association: Connect waits `connect` for the TCP connection
  // and `acse` for the answer (as ReleaseAssociation does for its answer); ReadMessage
  // waits `dimse` for each whole message, and every send waits at most `dimse` for the
  // peer to take data. A requester that set none uses the defaults; an acceptor that set
  // none keeps the socket's own receive time-out.
  void SetTimeouts(const NetworkTimeouts& timeouts) { timeouts_ = timeouts; }
  NetworkTimeouts Timeouts() const { return timeouts_.value_or(NetworkTimeouts{}); }

  // Requester: builds the A-ASSOCIATE-RQ with one presentation context (ID 1 after the
  // counter reset) for the abstract syntax and the transfer syntaxes in order. An empty
  // calling title becomes kDefaultCallingApTitle; titles are used up to 16 characters.
  // False, with nothing proposed, when a UID is longer than 64 characters.
  bool ProposeAssociation(std::string_view callingApTitle, std::string_view calledApTitle,
                          std::string_view abstractSyntax,
                          const std::vector<std::string>& transferSyntaxes);
  // Requester: the same with one presentation context per proposal, in order, with the
  // IDs 1, 3, 5, ... after the counter reset. False, with nothing proposed, when there is
  // no proposal, more than 128, or a UID is longer than 64 characters.
  bool ProposeAssociation(std::string_view callingApTitle, std::string_view calledApTitle,
                          const std::vector<ContextProposal>& contexts);
  // Requester: connects, sends the A-ASSOCIATE-RQ and reads the answer; success when the
  // association is established with at least one accepted context. The failures, each
  // with its reason in words: kConnection (no TCP connection: refused, host not found, no
  // route), kTimeout (no connection within the connect time-out, or no answer within the
  // ACSE time-out, which is then aborted), kNotSent (the request could not be sent),
  // kNoResponse (the peer closed the connection instead of answering), kRejected
  // (A-ASSOCIATE-RJ, with its result, source and reason), kAborted (A-ABORT, with its
  // source and reason), kProtocol (a broken A-ASSOCIATE-AC, which is aborted, or another
  // PDU), kNoPresentationContext (nothing accepted). Every failure after the connect
  // leaves the socket closed.
  ServiceResult Connect(std::string_view host, std::string_view port);
  // Requester: an association in which nothing was accepted is released (A-RELEASE-RQ, its
  // answer awaited) before Connect closes it, instead of being closed at once. A client
  // that probes what a node accepts ends every association it opened cleanly.
  void ReleaseWhenNothingAccepted() { releaseUnaccepted_ = true; }

  // Acceptor: takes over an accepted connection, reads the A-ASSOCIATE-RQ, answers with
  // an A-ASSOCIATE-AC as `policy` decides; true when at least one context was accepted.
  // On false the connection is closed (an unreadable request is answered with an A-ABORT).
  bool AcceptAssociation(int connection, AcceptorPolicy policy);
  // Acceptor: decides every proposed context of assocRQ by the acceptor policy, builds and
  // sends assocAC; true when at least one context was accepted and the answer was sent.
  bool InterogateAAsociateRQ();
  void SetAcceptorPolicy(AcceptorPolicy policy) { policy_ = std::move(policy); }

  // Sends an A-RELEASE-RQ and reads the 10-byte answer (within the ACSE time-out when
  // time-outs are set) when connected; then closes. Always true.
  bool ReleaseAssociation();
  // Sends an A-ABORT with this source and reason (when connected) and closes.
  void AbortAssociation(uint8_t source = kAbortSourceServiceProvider,
                        uint8_t reason = kAbortReasonNotSpecified);
  bool Connected() const { return buffer_.socket().Connected(); }

  // ID (1..255) of the proposed context for a SOP class, 0 when none. The print meta SOP
  // classes stand for their member classes (printer, film session, film box, image box).
  uint8_t GetPresentationContextID(std::string_view sopClass);
  // Transfer syntax of the accepted context with this ID.
  std::optional<std::string> GetTransferSyntax(uint8_t presentationContextID) const;

  // The maximum PDU length the peer announced (0 = none).
  uint32_t PeerMaximumLength() const { return pDataTF_.PeerMaximumLength(); }

  // Sends one message on the presentation context of `sopClass`: a command set
  // (control kCommandMessage, always implicit VR little endian) or a data set
  // (kDataSetMessage, encoded as the context's accepted transfer syntax), as P-DATA-TF
  // PDUs. False, with nothing sent, when the SOP class has no accepted context or a
  // record cannot be encoded; false when a PDU cannot be sent.
  bool WriteMessage(const TagList& list, std::string_view sopClass, uint8_t control);
  // The same on the accepted presentation context with this ID, which the caller chose.
  // The message is encoded into PDUs as they are sent, never held whole.
  bool WriteMessageOn(const TagList& list, uint8_t presentationContextID, uint8_t control);
  // Receives the next complete message into `list` (records are appended). Release
  // requests, aborts and protocol errors of the peer end the association: false, with
  // the connection closed (answered with an A-RELEASE-RP or an A-ABORT where due). A
  // message that is not whole within the DIMSE time-out ends it as well, with an A-ABORT; a
  // message of another kind than `expected` is such an error, aborted at its first
  // fragment. The message is decoded into its records as its fragments arrive, never
  // gathered whole. A message that cannot be decoded leaves the records before its fault in
  // the list; one that does not arrive whole leaves none.
  bool ReadMessage(TagList& list, ExpectedMessage expected = ExpectedMessage::kAny);
  // Why the last WriteMessage or ReadMessage failed, in words: kTimeout, kAborted (the
  // peer's A-ABORT, with its source and reason), kNoResponse (the peer released or closed
  // the connection), kProtocol (a PDU that does not belong, or an undecodable message),
  // kNoPresentationContext or kNotSent (sending).
  const ServiceResult& LastFailure() const { return lastFailure_; }
  // Called while ReadMessage gathers a message: after each further kProgressBytes of it
  // and when it is complete (not for PDUs that carry less), so that a watcher can tell a
  // peer that sends from one that trickles.
  static constexpr size_t kProgressBytes = 1024;
  void SetReceiveProgress(std::function<void()> progress) { progress_ = std::move(progress); }
  // Large values of the messages ReadMessage decodes from now on are offered to `sink`
  // (MessageDecoder::SetSink); null for none.
  void SetReceivedValueSink(ReceivedValueSink* sink) { decoder_.SetSink(sink); }
  // Encodes the list into `buffer`'s outgoing queue: implicit VR little endian when
  // `presentationContextID` is 0 (a command set), else in the accepted transfer syntax of
  // that context. False, with nothing left queued, when the context is not accepted or a
  // record does not fit its encoding.
  bool ParseDCMIntoRawVR(const TagList& list, Buffer& buffer, uint8_t presentationContextID);
  // How a message on the context is encoded: implicit VR little endian for 0 (a command
  // set), else the context's accepted syntax; nullopt when it is not accepted.
  std::optional<DatasetEncoding> MessageEncoding(uint8_t presentationContextID) const;
  // Every record of the list can be encoded so.
  static bool Encodable(const TagList& list, DatasetEncoding encoding);
  // Encodes the records in order into the sink (traced as ParseDCMIntoRawVR); false when
  // the sink refuses bytes or a record cannot be encoded.
  template <ElementSink Sink>
  bool EncodeMessage(const TagList& list, DatasetEncoding encoding, Sink& sink) {
    TraceTitles(" >> ");
    for (const TagRecord& record : list) {
      const std::optional<EncodedElement> element = EncodeElement(record, kNetworkRules, encoding);
      if (!element || !PutElement(sink, *element)) return false;
      if (trace_) TraceElement(record, encoding.explicitVR);
    }
    TraceLine("");
    return true;
  }
  // Decodes everything in `buffer`'s incoming queue, in the accepted transfer syntax of
  // the context, appending to `list`. False on an unaccepted context or a malformed or
  // truncated element; no read passes the bytes that are there.
  bool ParseRawVRIntoDCM(Buffer& buffer, TagList& list, uint8_t presentationContextID);

  // The accepted contexts, in the order they were accepted.
  const std::vector<PresentationContextAccept>& Accepted() const { return accepted_; }

  Buffer& buffer() { return buffer_; }
  AAssociateRQ& assocRQ() { return assocRQ_; }
  AAssociateAC& assocAC() { return assocAC_; }
  const AAssociateAC& assocAC() const { return assocAC_; }
  AAssociateRJ& assocRJ() { return assocRJ_; }
  AReleaseRQ& releaseRQ() { return releaseRQ_; }
  AReleaseRP& releaseRP() { return releaseRP_; }
  AAbortRQ& abortRQ() { return abortRQ_; }
  PDataTF& pDataTF() { return pDataTF_; }

 private:
  // A log line written only while the trace is on.
  void TraceLine(std::string_view text) const;
  void SetOwnUserInformation(UserInformation& info) const;
  // The title line of a message trace: calling title, `arrow`, called title.
  void TraceTitles(std::string_view arrow) const;
  // The dump of one record of a message in the trace.
  static void TraceElement(const TagRecord& record, bool explicitVR);
  // The encoding of the messages received on an accepted context; nullopt for another.
  std::optional<DatasetEncoding> AcceptedEncoding(uint8_t presentationContextID) const;
  // Ends the decoding of a received message and traces its records; false when it could
  // not be decoded whole.
  bool FinishDecoding(MessageDecoder& decoder);
  // ReadMessage's endings: close (after answering a release), or abort; both drop what
  // was gathered of the message, keep `why` as the last failure and give false.
  bool EndReading(ServiceResult why);
  bool AbortReading(uint8_t reason, ServiceResult why);
  // The ending of a read that failed: the DIMSE time-out passed, the connection closed,
  // or `what` (a PDU of the data phase; empty between PDUs) did not fit.
  bool ReadingFailed(std::string_view what);
  // Keeps why a send did not go through: the peer took no data, or the connection failed.
  void SendingFailed();
  // Connect's part after the request went out: the peer's answer, read as a whole.
  ServiceResult ReadAssociationAnswer();
  // Reads the body of the peer's A-ABORT; the result says who aborted and why.
  ServiceResult PeerAbort();
  // The deadline of one wait for the peer `limit` from now (none for zero).
  void StartDeadline(std::chrono::milliseconds limit);
  // Calls progress_ when the message gathered has grown enough since `reported`.
  void ReportProgress(size_t& reported);
  // The peer's maximum PDU length holds no PDV; traced.
  bool PeerMaximumTooSmall() const;

  bool trace_ = false;
  bool releaseUnaccepted_ = false;
  std::optional<NetworkTimeouts> timeouts_;
  ServiceResult lastFailure_;
  std::function<void()> progress_;
  AcceptorPolicy policy_;
  std::vector<PresentationContextAccept> accepted_;
  Buffer buffer_;
  AAssociateRQ assocRQ_;
  AAssociateAC assocAC_;
  AAssociateRJ assocRJ_;
  AReleaseRQ releaseRQ_;
  AReleaseRP releaseRP_;
  AAbortRQ abortRQ_;
  PDataTF pDataTF_;
  MessageDecoder decoder_;
};

}  // namespace norvane
