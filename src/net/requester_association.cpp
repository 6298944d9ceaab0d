#include "net/requester_association.hpp"

#include <cstring>
#include <initializer_list>
#include <string>

#include "log/log.hpp"
#include "net/associate_rj.hpp"
#include "net/association_reasons.hpp"
#include "net/pdu_layout.hpp"
#include "net/tls_context.hpp"
#include "net/tls_layer.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts)
    text += part;
  return text;
}

// Why Open found no TCP connection.
ServiceResult ConnectionFailure(const ConnectOutcome& outcome, std::string_view host,
                                std::string_view port, std::chrono::milliseconds limit) {
  const std::string peer = Joined({host, ":", port});
  switch (outcome.failure) {
    case ConnectFailure::kPort:
      return ServiceResult::Failed(ServiceFailure::kConnection,
                                   Joined({"the port '", port,
                                           "' is neither a number from 1 to 65535 nor a known "
                                           "service name"}));
    case ConnectFailure::kHost:
      return ServiceResult::Failed(ServiceFailure::kConnection,
                                   Joined({"host not found: '", host, "'"}));
    case ConnectFailure::kRefused:
      return ServiceResult::Failed(ServiceFailure::kConnection,
                                   "connection refused by " + peer + " (nothing listens there)");
    case ConnectFailure::kTimeout:
      return ServiceResult::Failed(ServiceFailure::kTimeout, "no TCP connection to " + peer +
                                                                 " within " + DurationText(limit) +
                                                                 " (connect time-out)");
    case ConnectFailure::kNone:
    case ConnectFailure::kNetwork:
      break;
  }
  char text[128];
  return ServiceResult::Failed(
      ServiceFailure::kConnection,
      "no TCP connection to " + peer + ": " + ::strerror_r(outcome.error, text, sizeof text));
}

}  // namespace

ServiceResult RequesterAssociation::Propose(std::string_view callingApTitle,
                                            std::string_view calledApTitle,
                                            const std::vector<ContextProposal>& contexts) {
  const ServiceResult refused =
      ServiceResult::Failed(ServiceFailure::kLocal,
                            "the presentation contexts cannot be proposed (none, more than 128, "
                            "or a UID longer than 64 characters)");
  if (contexts.empty() || contexts.size() > kMaxPresentationContexts) return refused;
  std::vector<PresentationContext> items(contexts.size());
  for (size_t i = 0; i < contexts.size(); ++i) {
    if (!items[i].SetAbstractSyntax(contexts[i].abstractSyntax)) return refused;
    for (const std::string& transferSyntax : contexts[i].transferSyntaxes) {
      if (!items[i].AddTransferSyntax(transferSyntax)) return refused;
    }
    items[i].SetPresentationContextID(ProposedContextID(i));
  }
  AAssociateRQ& rq = request();
  rq.SetCallingApTitle(callingApTitle.empty() ? kDefaultCallingApTitle : callingApTitle);
  rq.SetCalledApTitle(calledApTitle);
  rq.SetApplicationContext(uid::kApplicationContext);
  rq.PresentationContexts() = std::move(items);
  return ServiceResult::Success();
}

void RequesterAssociation::ProposeRoles(std::vector<RoleSelection> roles) {
  request().UserInfo().roleSelections = std::move(roles);
}

ServiceResult RequesterAssociation::Connect(std::string_view host, std::string_view port) {
  pdata().ClearPending();
  SetOwnUserInformation(request().UserInfo());
  if (!timeouts()) timeouts() = NetworkTimeouts{};
  Socket& socket = buffer().socket();
  socket.SetConnectTimeout(timeouts()->connect);
  socket.SetReceiveTimeout(timeouts()->dimse);
  const ConnectOutcome connected = socket.Open(host, port);
  if (!connected) return ConnectionFailure(connected, host, port, timeouts()->connect);
  TraceLine(Joined({"Connected to: ", host, ":", port}));
  if (tls_.enabled) {
    ServiceResult secured = Secure(host, port);
    if (!secured) {
      socket.Close();
      return secured;
    }
  }

  if (!request().Write(buffer())) {
    WriteLog("Association RQ failed!");
    // A half-sent request cannot be continued.
    socket.Close();
    return ExplainedByTls(
        ServiceResult::Failed(ServiceFailure::kNotSent, "the A-ASSOCIATE-RQ could not be sent"));
  }

  // The whole answer, not only its first byte, must come within the ACSE time-out.
  StartDeadline(timeouts()->acse);
  ServiceResult answer = ReadAssociationAnswer();
  socket.ClearDeadline();
  if (answer.failure == ServiceFailure::kTimeout) {
    // The peer may still answer later; the abort tells it not to.
    AbortAssociation(kAbortSourceServiceProvider, kAbortReasonNotSpecified);
  }
  // An association with nothing accepted is still one: it ends with a release.
  if (answer.failure == ServiceFailure::kNoPresentationContext) (void)ReleaseAssociation();
  if (!answer) socket.Close();
  return ExplainedByTls(std::move(answer));
}

ServiceResult RequesterAssociation::Secure(std::string_view host, std::string_view port) {
  TlsContextMade made = TlsContext::Make(tls_, TlsRole::kRequester);
  if (!made) return made;
  // The handshake is part of the connect and shares its time-out.
  StartDeadline(timeouts()->connect);
  ServiceResult secured = SecureConnection(buffer(), *made.context, host);
  buffer().socket().ClearDeadline();
  const std::string peer = Joined({host, ":", port});
  if (secured.failure == ServiceFailure::kTimeout) {
    return ServiceResult::Failed(ServiceFailure::kTimeout,
                                 "no TLS handshake with " + peer + " within " +
                                     DurationText(timeouts()->connect) +
                                     " (connect time-out; does it speak TLS on this port?)");
  }
  if (!secured) {
    secured.reason = "TLS handshake with " + peer + " failed: " + secured.reason;
  } else {
    TraceLine("TLS: " + static_cast<TlsLayer&>(buffer().transport()).Version());
  }
  return secured;
}

ServiceResult RequesterAssociation::ExplainedByTls(ServiceResult answer) {
  if (answer || !tls_.enabled) return answer;
  const auto* layer = dynamic_cast<const TlsLayer*>(&buffer().transport());
  if (layer == nullptr || layer->Failure().empty()) return answer;
  return ServiceResult::Failed(ServiceFailure::kConnection, "TLS: " + layer->Failure());
}

ServiceResult RequesterAssociation::ReadAssociationAnswer() {
  const std::string limit = DurationText(Timeouts().acse);
  const auto unanswered = [&](std::string_view what) {
    if (buffer().socket().DeadlinePassed()) {
      return ServiceResult::Failed(ServiceFailure::kTimeout,
                                   std::string(what) + " within " + limit + " (ACSE time-out)");
    }
    return ServiceResult::Failed(ServiceFailure::kNoResponse,
                                 "the peer closed the connection instead of answering the "
                                 "A-ASSOCIATE-RQ");
  };

  uint8_t type;
  if (!buffer().ReadByte(type)) return unanswered("no answer to the A-ASSOCIATE-RQ");
  TraceLine("Item Type: " + std::to_string(type));

  if (type == kPduAssociateAC) {
    TraceLine("Association Accept::ReadDynamic");
    AAssociateAC answer;
    if (!answer.ReadDynamic(buffer())) {
      if (buffer().socket().DeadlinePassed() || !Connected()) {
        return unanswered("no whole A-ASSOCIATE-AC");
      }
      // What was read of a broken answer cannot be trusted.
      AbortAssociation(kAbortSourceServiceProvider, kAbortReasonInvalidPduParameter);
      return ServiceResult::Failed(ServiceFailure::kProtocol,
                                   "the A-ASSOCIATE-AC could not be read");
    }
    if (const std::string violation = AnswerViolation(request(), answer); !violation.empty()) {
      AbortAssociation(kAbortSourceServiceProvider, kAbortReasonInvalidPduParameter);
      return ServiceResult::Failed(
          ServiceFailure::kProtocol,
          "the peer's A-ASSOCIATE-AC breaks the protocol: " + violation + " (aborted)");
    }
    Negotiated(answer, answer.UserInfo());
    bool anyAccepted = false;
    for (const NegotiatedContext& context : Contexts()) {
      if (!context.Accepted()) continue;
      anyAccepted = true;
      TraceLine("Presentation Context Accept, Transfer Syntax: " + context.transferSyntax);
    }
    if (!anyAccepted) {
      return ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                                   "the peer accepted no presentation context");
    }
    if (!PeerMaximumTooSmall()) return ServiceResult::Success();
    AbortAssociation(kAbortSourceServiceUser, kAbortReasonNotSpecified);
    return ServiceResult::Failed(ServiceFailure::kProtocol,
                                 "the peer's maximum PDU length (" +
                                     std::to_string(PeerMaximumLength()) +
                                     " bytes) cannot hold a PDV; the association was aborted");
  }
  if (type == kPduAssociateRJ) {
    WriteLog("Association Rejected...");
    AAssociateRJ rejection;
    if (!rejection.ReadDynamic(buffer())) {
      return ServiceResult::Failed(ServiceFailure::kRejected,
                                   "association rejected (its reason could not be read)");
    }
    return ServiceResult::Failed(
        ServiceFailure::kRejected,
        RejectionText(rejection.Result(), rejection.Source(), rejection.Reason()));
  }
  WriteLog("Corrupt Transmission...");
  if (type == kPduAbort) {
    return PeerAbort();
  }
  // A TLS record (an alert or a handshake) where a PDU belongs.
  const bool tlsRecord = type == 0x15 || type == 0x16;
  return ServiceResult::Failed(ServiceFailure::kProtocol,
                               "the peer answered the A-ASSOCIATE-RQ with a PDU of type " +
                                   std::to_string(type) +
                                   (tlsRecord ? " (a TLS record: the peer expects TLS)" : ""));
}

}  // namespace norvane
