#include "net/acceptor_association.hpp"

#include "net/negotiation.hpp"
#include "net/tls_layer.hpp"

namespace norvane {
namespace {

// How long a refused requester may take to read why before its connection is reset.
constexpr std::chrono::seconds kAlertReadingTime{1};

}  // namespace

void AcceptorAssociation::SetReceiveTimeout(std::chrono::milliseconds timeout) {
  buffer().socket().SetReceiveTimeout(timeout);
}

ServiceResult AcceptorAssociation::Secure(int connection, const TlsContext& context,
                                          std::chrono::milliseconds limit) {
  Socket& socket = buffer().socket();
  if (socket.Connected()) socket.Close();
  socket.AdoptConnection(connection);
  const Socket::Clock::time_point start = Socket::Clock::now();
  StartDeadline(limit);
  ServiceResult secured = SecureConnection(buffer(), context, {});
  socket.ClearDeadline();
  // A watchdog may cut the connection at the same limit, counted from a moment before this
  // one: the peer then seems to have closed it.
  constexpr std::chrono::milliseconds kWatchdogLead{250};
  const bool late = limit.count() > 0 && Socket::Clock::now() - start + kWatchdogLead >= limit;
  if (secured.failure == ServiceFailure::kTimeout || (!secured && late)) {
    secured.failure = ServiceFailure::kTimeout;
    secured.reason = "no TLS handshake within " + DurationText(limit);
  }
  // The requester reads our alert, if any, before the connection ends.
  if (!secured) socket.CloseAfterPeer(kAlertReadingTime);
  return secured;
}

ServiceResult AcceptorAssociation::Accept(int connection, const AcceptorPolicy& policy) {
  Socket& socket = buffer().socket();
  if (!socket.Connected() || socket.Handle() != connection) {
    if (socket.Connected()) socket.Close();
    socket.AdoptConnection(connection);
  }

  AAssociateRQ& rq = request();
  if (!rq.Read(buffer())) {
    TraceLine("ERROR, assocRQ.Read Failed!");
    // The peer waits for an answer to a request we could not read.
    AbortAssociation(kAbortSourceServiceProvider, kAbortReasonInvalidPduParameter);
    return ServiceResult::Failed(ServiceFailure::kProtocol,
                                 "the A-ASSOCIATE-RQ could not be read (aborted)");
  }
  TraceLine("Called Ap. Title: " + rq.CalledApTitle());
  TraceLine("Calling Ap. Title: " + rq.CallingApTitle());
  AAssociateAC answer = AnswerAssociateRQ(rq, policy);
  Negotiated(answer, rq.UserInfo());
  if (PeerMaximumTooSmall()) {
    // Not a single response could be sent to it.
    AbortAssociation(kAbortSourceServiceProvider, kAbortReasonInvalidPduParameter);
    return ServiceResult::Failed(ServiceFailure::kProtocol,
                                 "the requester's maximum PDU length holds no PDV (aborted)");
  }
  bool anyAccepted = false;
  for (const NegotiatedContext& context : Contexts()) {
    if (!context.Accepted()) continue;
    anyAccepted = true;
    TraceLine("Offered Presentation Context, Abstract Syntax: " + context.abstractSyntax);
    TraceLine("Offered Presentation Context, Transfer Syntax: " + context.transferSyntax);
  }
  const bool sent = answer.Write(buffer());
  if (!anyAccepted || !sent) {
    TraceLine("ERROR, InterogateAAsociateRQ Failed!");
    socket.Close();
    return anyAccepted ? ServiceResult::Failed(ServiceFailure::kNotSent,
                                               "the A-ASSOCIATE-AC could not be sent")
                       : ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                                               "no proposed presentation context was accepted");
  }
  return ServiceResult::Success();
}

}  // namespace norvane
