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
#include "net/associate_rq_ac.hpp"
#include "net/association_parameters.hpp"
#include "net/buffer.hpp"
#include "net/message_decoder.hpp"
#include "net/negotiation.hpp"
#include "net/pdata_tf.hpp"
#include "net/pdu_layout.hpp"
#include "net/release.hpp"
#include "net/role_selection.hpp"
#include "net/service_result.hpp"

namespace norvane {

// Calling AE title used when the caller gives none: KAVORN padded with blanks to 16.
inline constexpr std::string_view kDefaultCallingApTitle = "KAVORN          ";

// Message control of WriteMessage: what the message is.
inline constexpr uint8_t kDataSetMessage = 0;
inline constexpr uint8_t kCommandMessage = 1;

// What the other side says of itself in its association PDU.
struct PeerImplementation {
  std::string implementationClassUID;
  std::string implementationVersionName;
  uint32_t maximumLength = 0;  // the longest P-DATA-TF PDU it receives (0 = no limit)
};

// The outcome of reading one message: on success, the presentation context it came on.
struct [[nodiscard]] MessageRead : ServiceResult {
  uint8_t contextID = 0;
};

// One DICOM association: what both sides agreed on and its data phase, the sending and
// receiving of DIMSE messages over P-DATA-TF. The two roles open it differently
// (RequesterAssociation, AcceptorAssociation); every DIMSE sender and receiver works on
// this common part. An association owns all of its state (contexts, message IDs,
// maximum lengths, roles, time-outs), is used by one thread at a time, and is open
// exactly while its connection is.
class PDU_Service {
 public:
  PDU_Service(const PDU_Service&) = delete;
  PDU_Service& operator=(const PDU_Service&) = delete;
  // Releases the association first when it is still open.
  virtual ~PDU_Service();

  // Association trace lines go to the log only while this is on.
  void SetTrace(bool on) { trace_ = on; }
  bool Trace() const { return trace_; }

  // The time limits: the requester's connect waits `connect` for the TCP connection and
  // `acse` for the answer (as ReleaseAssociation does for its answer); ReadMessage waits
  // `dimse` for each whole message, and every send waits at most `dimse` for the peer to
  // take data. A requester that set none uses the defaults; an acceptor that set none
  // keeps the socket's own receive time-out.
  void SetTimeouts(const NetworkTimeouts& timeouts) { timeouts_ = timeouts; }
  NetworkTimeouts Timeouts() const { return timeouts_.value_or(NetworkTimeouts{}); }

  // Sends an A-RELEASE-RQ and reads the answer (within the ACSE time-out when time-outs
  // are set) when open; then closes. Success when the peer answered with an A-RELEASE-RP.
  ServiceResult ReleaseAssociation();
  // Sends an A-ABORT with this source and reason (when open) and closes.
  void AbortAssociation(uint8_t source = kAbortSourceServiceProvider,
                        uint8_t reason = kAbortReasonNotSpecified);
  bool Connected() const { return buffer_.socket().Connected(); }

  // The titles of the association as the request carried them (up to the first zero
  // byte, trailing blanks kept).
  const std::string& CallingApTitle() const { return request_.CallingApTitle(); }
  const std::string& CalledApTitle() const { return request_.CalledApTitle(); }
  // Every proposed context with the acceptor's answer, in proposal order.
  const std::vector<NegotiatedContext>& Contexts() const { return contexts_; }
  // The other side's implementation class UID, version name and maximum PDU length.
  const PeerImplementation& Peer() const { return peer_; }
  // The roles of the requester for a SOP class as the acceptor decided them.
  RoleSelection NegotiatedRoles(std::string_view sopClass) const;

  // ID (1..255) of the proposed context for a SOP class, 0 when none. The print meta SOP
  // classes stand for their member classes (printer, film session, film box, image box).
  uint8_t GetPresentationContextID(std::string_view sopClass) const;
  // Transfer syntax of the accepted context with this ID.
  std::optional<std::string> GetTransferSyntax(uint8_t presentationContextID) const;
  // The abstract syntax of the accepted context with this ID; empty for another.
  std::string_view AbstractSyntaxOf(uint8_t presentationContextID) const;
  // The maximum PDU length the peer announced (0 = none).
  uint32_t PeerMaximumLength() const { return pDataTF_.PeerMaximumLength(); }

  // The Message ID of the next request this side sends: odd numbers counted per
  // association, starting after the context IDs the requester proposed (so the first
  // request after one proposed context carries 3).
  uint16_t NextMessageID();

  // Sends one message on the presentation context of `sopClass`: a command set (control
  // kCommandMessage, always implicit VR little endian) or a data set (kDataSetMessage,
  // encoded as the context's accepted transfer syntax), as P-DATA-TF PDUs. The failures:
  // kNoPresentationContext (the SOP class has no accepted context; nothing is sent),
  // kNotSent (a record cannot be encoded, and nothing is sent; or the connection failed),
  // kTimeout (the peer took no data within the DIMSE time-out).
  ServiceResult WriteMessage(const TagList& list, std::string_view sopClass, uint8_t control);
  // The same on the accepted presentation context with this ID, which the caller chose.
  // The message is encoded into PDUs as they are sent, never held whole.
  ServiceResult WriteMessageOn(const TagList& list, uint8_t presentationContextID, uint8_t control);
  // Receives the next complete message into `list` (records are appended); on success
  // the result names the context it came on. Release requests, aborts and protocol errors
  // of the peer end the association, with the connection closed (answered with an
  // A-RELEASE-RP or an A-ABORT where due): kNoResponse (the peer released or closed the
  // connection), kAborted (the peer's A-ABORT, with its source and reason), kProtocol (a
  // PDU that does not belong, or an undecodable message), kTimeout (not whole within the
  // DIMSE time-out; aborted). A message of another kind than `expected` is such an error,
  // aborted at its first fragment. The message is decoded into its records as its
  // fragments arrive, never gathered whole. A message that cannot be decoded leaves the
  // records before its fault in the list; one that does not arrive whole leaves none.
  MessageRead ReadMessage(TagList& list, ExpectedMessage expected = ExpectedMessage::kAny);
  // Bytes of a next message (or of another PDU) have arrived: ReadMessage would not wait
  // for its first byte.
  bool MessageWaiting();
  // Called while ReadMessage gathers a message, with the bytes of it received so far:
  // after each further kProgressBytes of it and when it is complete (not for PDUs that
  // carry less), so that a watcher can tell a peer that sends from one that trickles.
  static constexpr size_t kProgressBytes = 1024;
  using ReceiveProgress = std::function<void(size_t messageBytes)>;
  void SetReceiveProgress(ReceiveProgress progress) { progress_ = std::move(progress); }
  // The longest data set ReadMessage takes from now on, in bytes (0: no limit; a command set
  // may never be longer than kLongestCommandSet). A longer one ends the association with an
  // A-ABORT as soon as its bytes pass the limit: a peer's length never makes this side hold
  // or write more than it allows. A deflated data set is held to it as it inflates.
  void SetMessageLimit(uint64_t bytes) {
    messageLimit_ = bytes;
    decoder_.SetInflateLimit(bytes);
  }
  // Large values of the messages ReadMessage decodes from now on are offered to `sink`
  // (MessageDecoder::SetSink); null for none.
  void SetReceivedValueSink(ReceivedValueSink* sink) { decoder_.SetSink(sink); }
  // How a message on the context is encoded: implicit VR little endian for 0 (a command
  // set), else the context's accepted syntax; nullopt when it is not accepted.
  std::optional<DatasetEncoding> MessageEncoding(uint8_t presentationContextID) const;

 protected:
  PDU_Service();

  // A log line written only while the trace is on.
  void TraceLine(std::string_view text) const;
  // The deadline of one wait for the peer `limit` from now (none for zero).
  void StartDeadline(std::chrono::milliseconds limit);
  // Reads the body of the peer's A-ABORT; the result says who aborted and why.
  ServiceResult PeerAbort();
  // Fixes what was negotiated from the request and its answer: the contexts, the peer's
  // maximum length, the first message ID. `peer` is the other side's user information.
  void Negotiated(const AAssociateAC& answer, const UserInformation& peer);
  // The peer's maximum PDU length holds no PDV; traced.
  bool PeerMaximumTooSmall() const;

  Buffer& buffer() { return buffer_; }
  AAssociateRQ& request() { return request_; }
  const std::vector<RoleSelection>& answeredRoles() const { return answeredRoles_; }
  std::optional<NetworkTimeouts>& timeouts() { return timeouts_; }
  PDataTF& pdata() { return pDataTF_; }

 private:
  // The title line of a message trace: calling title, `arrow`, called title.
  void TraceTitles(std::string_view arrow) const;
  // The dump of one record of a message in the trace.
  static void TraceElement(const TagRecord& record, bool explicitVR);
  // The encoding of the messages received on an accepted context; nullopt for another.
  std::optional<DatasetEncoding> AcceptedEncoding(uint8_t presentationContextID) const;
  // Ends the decoding of a received message and traces its records; false when it could
  // not be decoded whole.
  bool FinishDecoding();
  // ReadMessage's endings: close (after answering a release), or abort; both drop what
  // was gathered of the message and give `why`.
  MessageRead EndReading(ServiceResult why);
  MessageRead AbortReading(uint8_t reason, ServiceResult why);
  // The ending of a read that failed: the DIMSE time-out passed, the connection closed,
  // or `what` (a PDU of the data phase; empty between PDUs) did not fit.
  MessageRead ReadingFailed(std::string_view what);
  // Why a send did not go through: the peer took no data, or the connection failed.
  ServiceResult SendingFailed();
  // Calls progress_ when the message gathered has grown enough since `reported`.
  void ReportProgress(size_t& reported);
  // Every record of the list can be encoded so.
  static bool Encodable(const TagList& list, DatasetEncoding encoding);
  // Encodes the records in order into the sink, traced; false when the sink refuses bytes
  // or a record cannot be encoded.
  template <class Sink>
  bool EncodeMessage(const TagList& list, DatasetEncoding encoding, Sink& sink);

  bool trace_ = false;
  uint64_t messageLimit_ = 0;
  std::optional<NetworkTimeouts> timeouts_;
  ReceiveProgress progress_;
  // The request as proposed (requester) or received (acceptor).
  AAssociateRQ request_;
  std::vector<NegotiatedContext> contexts_;
  std::vector<RoleSelection> answeredRoles_;
  PeerImplementation peer_;
  uint16_t nextMessageID_ = 1;
  Buffer buffer_;
  PDataTF pDataTF_;
  MessageDecoder decoder_;
};

// The ID of the i-th proposed presentation context of an association (from 0): 1, 3, 5, ...
constexpr uint8_t ProposedContextID(size_t index) {
  return static_cast<uint8_t>(2 * index + 1);
}

}  // namespace norvane
