#pragma once

#include "net/acceptor_policy.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

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
  ServiceResult Accept(int connection, const AcceptorPolicy& policy);
  // The receive time-out of the connection before it is accepted (tests use short ones).
  void SetReceiveTimeout(std::chrono::milliseconds timeout);
};

}  // namespace norvane
