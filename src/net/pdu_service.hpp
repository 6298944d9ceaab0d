#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/abort.hpp"
#include "net/associate_rj.hpp"
#include "net/associate_rq_ac.hpp"
#include "net/buffer.hpp"
#include "net/pdata_tf.hpp"
#include "net/presentation_context_accept.hpp"
#include "net/release.hpp"

namespace norvane {

// Calling AE title used when the caller gives none: KAVORN padded with blanks to 16.
inline constexpr std::string_view kDefaultCallingApTitle = "KAVORN          ";
// Implementation version name sent in associations.
inline constexpr std::string_view kAssociationVersionName = "VelmoraVista";

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
  // Requester: connects, sends the A-ASSOCIATE-RQ and reads the answer; true when the
  // association is established with at least one accepted context. Every failure after
  // the connect leaves the socket closed.
  bool Connect(std::string_view host, std::string_view port);

  // Acceptor: takes over an accepted connection, reads the A-ASSOCIATE-RQ, answers with
  // an A-ASSOCIATE-AC; true when at least one context was accepted. On false the
  // connection is closed (an unreadable request is answered with an A-ABORT).
  bool AcceptAssociation(int connection);
  // Acceptor: decides every proposed context of assocRQ, builds and sends assocAC; true
  // when at least one context was accepted and the answer was sent.
  bool InterogateAAsociateRQ();

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

  bool trace_ = false;
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
