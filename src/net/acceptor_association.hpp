#pragma once

#include "net/acceptor_policy.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"
#include "net/tls_context.hpp"

namespace norvane {

// The side of an association that is asked: reads the A-ASSOCIATE-RQ from an accepted
// connection and answers it as its policy decides. The data phase is PDU_Service's.
class AcceptorAssociation : public PDU_Service {
 public:
  AcceptorAssociation() = default;

  // Takes over the connection, reads the A-ASSOCIATE-RQ and answers with an
  // A-ASSOCIATE-AC as `policy` decides (AnswerAssociateRQ). Success when at least one
  // context was accepted and the answer went out; otherwise the connection is closed
  // (kProtocol for an unreadable request, answered with an A-ABORT, or a maximum PDU
  // length that holds no PDV; kNoPresentationContext when nothing was accepted; kNotSent
  // when the answer could not be sent).
  // A connection already taken over by Secure keeps its TLS layer.
  ServiceResult Accept(int connection, const AcceptorPolicy& policy);
  // Takes over the connection and performs the TLS handshake of an acceptor within
  // `limit` (and the receive time-out). On failure the connection is closed: kTimeout, or
  // kConnection with the reason in words (no TLS spoken, no certificate of a requester that
  // must present one, a certificate not trusted, nothing in common).
  ServiceResult Secure(int connection, const TlsContext& context, std::chrono::milliseconds limit);
  // The receive time-out of the connection before it is accepted (tests use short ones).
  void SetReceiveTimeout(std::chrono::milliseconds timeout);
};

}  // namespace norvane
