#pragma once

#include <string_view>
#include <vector>

#include "net/pdu_service.hpp"
#include "net/role_selection.hpp"
#include "net/service_result.hpp"
#include "net/tls_settings.hpp"

namespace norvane {

// The side of an association that asks for it: proposes presentation contexts, connects,
// and reads the acceptor's answer. The data phase is PDU_Service's.
class RequesterAssociation : public PDU_Service {
 public:
  RequesterAssociation() = default;

  // Proposes one presentation context per proposal, in order, with the IDs 1, 3, 5, ...
  // of this association. An empty calling title becomes kDefaultCallingApTitle; titles
  // are used up to 16 characters. kLocal, with nothing proposed, when there is no
  // proposal, more than 128, or a UID longer than 64 characters.
  ServiceResult Propose(std::string_view callingApTitle, std::string_view calledApTitle,
                        const std::vector<ContextProposal>& contexts);
  // The SCP/SCU roles proposed for SOP classes (a C-GET requester asks for the SCP role
  // of the storage classes it receives).
  void ProposeRoles(std::vector<RoleSelection> roles);
  // Secures the connection with TLS when the settings enable it (plain TCP by default).
  void SetTls(TlsSettings tls) { tls_ = std::move(tls); }

  // Connects, sends the A-ASSOCIATE-RQ and reads the answer; success when the association
  // is established with at least one accepted context. The failures, each with its reason
  // in words: kConnection (no TCP connection: refused, host not found, no route),
  // kTimeout (no connection within the connect time-out, or no answer within the ACSE
  // time-out, which is then aborted), kNotSent (the request could not be sent),
  // kNoResponse (the peer closed the connection instead of answering), kRejected
  // (A-ASSOCIATE-RJ, with its result, source and reason), kAborted (A-ABORT, with its
  // source and reason), kProtocol (a broken A-ASSOCIATE-AC, which is aborted, or another
  // PDU), kNoPresentationContext (nothing accepted: the association is released, and
  // Contexts() tells each answer). Every failure after the connect leaves the connection
  // closed. With TLS on, the handshake follows the TCP connect within the connect
  // time-out; its failures are kConnection (the reason in words: certificate not trusted,
  // expired, host name mismatch, client certificate required, no TLS spoken, nothing in
  // common), kTimeout, or kLocal (a certificate or key file that cannot be used).
  ServiceResult Connect(std::string_view host, std::string_view port);

 private:
  // The TLS handshake on the new connection, when TLS is on.
  ServiceResult Secure(std::string_view host, std::string_view port);
  // A failed answer in TLS's words, when the TLS layer knows why the stream broke.
  ServiceResult ExplainedByTls(ServiceResult answer);

  // Connect's part after the request went out: the peer's answer, read as a whole.
  ServiceResult ReadAssociationAnswer();

  TlsSettings tls_;
};

}  // namespace norvane
