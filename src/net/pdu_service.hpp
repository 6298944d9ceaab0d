#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tag_record.hpp"
#include "net/abort.hpp"
#include "net/acceptor_policy.hpp"
#include "net/associate_rj.hpp"
#include "net/associate_rq_ac.hpp"
#include "net/buffer.hpp"
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

  // Requester: builds the A-ASSOCIATE-RQ with one presentation context (ID 1 after the
  // counter reset) for the abstract syntax and the transfer syntaxes in order. An empty
  // calling title becomes kDefaultCallingApTitle; titles are used up to 16 characters.
  // False, with nothing proposed, when a UID is longer than 64 characters.
  bool ProposeAssociation(std::string_view callingApTitle, std::string_view calledApTitle,
                          std::string_view abstractSyntax,
                          const std::vector<std::string>& transferSyntaxes);
  // Requester: connects, sends the A-ASSOCIATE-RQ and reads the answer; success when the
  // association is established with at least one accepted context. The failures:
  // kConnection (no TCP connection), kNotSent (the request could not be sent), kNoResponse
  // (no answer came), kRejected (A-ASSOCIATE-RJ), kAborted (A-ABORT), kProtocol (a broken
  // A-ASSOCIATE-AC, which is aborted, or another PDU), kNoPresentationContext (nothing
  // accepted). Every failure after the connect leaves the socket closed.
  ServiceResult Connect(std::string_view host, std::string_view port);

  // Acceptor: takes over an accepted connection, reads the A-ASSOCIATE-RQ, answers with
  // an A-ASSOCIATE-AC as `policy` decides; true when at least one context was accepted.
  // On false the connection is closed (an unreadable request is answered with an A-ABORT).
  bool AcceptAssociation(int connection, AcceptorPolicy policy);
  // Acceptor: decides every proposed context of assocRQ by the acceptor policy, builds and
  // sends assocAC; true when at least one context was accepted and the answer was sent.
  bool InterogateAAsociateRQ();
  void SetAcceptorPolicy(AcceptorPolicy policy) { policy_ = std::move(policy); }

  // Sends an A-RELEASE-RQ and reads the 10-byte answer when connected; then closes.
  // Always true.
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
  // The same as a success flag and text (empty when the ID was not accepted).
  bool GetTransferSyntax(uint8_t presentationContextID, std::string& transferSyntax) const;

  // The maximum PDU length the peer announced (0 = none).
  uint32_t PeerMaximumLength() const { return pDataTF_.PeerMaximumLength(); }

  // Sends one message on the presentation context of `sopClass`: a command set
  // (control kCommandMessage, always implicit VR little endian) or a data set
  // (kDataSetMessage, encoded as the context's accepted transfer syntax), as P-DATA-TF
  // PDUs. False, with nothing sent, when the SOP class has no accepted context or a
  // record cannot be encoded; false when a PDU cannot be sent.
  bool WriteMessage(const TagList& list, std::string_view sopClass, uint8_t control);
  // Receives the next complete message into `list` (records are appended). Release
  // requests, aborts and protocol errors of the peer end the association: false, with
  // the connection closed (answered with an A-RELEASE-RP or an A-ABORT where due). A
  // message of another kind than `expected` is such an error, aborted at its first
  // fragment. Records decoded before a failure stay in the list.
  bool ReadMessage(TagList& list, ExpectedMessage expected = ExpectedMessage::kAny);
  // Called while ReadMessage gathers a message: after each further kProgressBytes of it
  // and when it is complete (not for PDUs that carry less), so that a watcher can tell a
  // peer that sends from one that trickles.
  static constexpr size_t kProgressBytes = 1024;
  void SetReceiveProgress(std::function<void()> progress) { progress_ = std::move(progress); }
  // Encodes the list into `buffer`'s outgoing queue: implicit VR little endian when
  // `presentationContextID` is 0 (a command set), else in the accepted transfer syntax of
  // that context. False, with nothing left queued, when the context is not accepted or a
  // record does not fit its encoding.
  bool ParseDCMIntoRawVR(const TagList& list, Buffer& buffer, uint8_t presentationContextID);
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
  // ReadMessage's endings: close (after answering a release), or abort; both drop what
  // was gathered of the message and give false.
  bool EndReading();
  bool AbortReading(uint8_t reason);
  // Calls progress_ when the message gathered has grown enough since `reported`.
  void ReportProgress(size_t& reported);
  // The peer's maximum PDU length holds no PDV; traced.
  bool PeerMaximumTooSmall() const;

  bool trace_ = false;
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
};

}  // namespace norvane
