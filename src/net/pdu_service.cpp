#include "net/pdu_service.hpp"

#include <cstring>
#include <initializer_list>
#include <string>

#include "log/log.hpp"
#include "net/association_reasons.hpp"
#include "net/pdu_layout.hpp"
#include "net/uids.hpp"
#include "net/unique_ids.hpp"

namespace norvane {
namespace {

std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts)
    text += part;
  return text;
}

// Why Open found no TCP connection.
ServiceResult ConnectionFailure(const Socket& socket, std::string_view host, std::string_view port,
                                std::chrono::milliseconds limit) {
  const std::string peer = Joined({host, ":", port});
  switch (socket.LastConnectFailure()) {
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
      "no TCP connection to " + peer + ": " + ::strerror_r(socket.LastError(), text, sizeof text));
}

bool IsPrintMemberOf(std::string_view metaClass, std::string_view sopClass) {
  const bool common = sopClass == uid::kPrinter || sopClass == uid::kBasicFilmSession ||
                      sopClass == uid::kBasicFilmBox;
  if (metaClass == uid::kBasicGrayscalePrintManagementMeta) {
    return common || sopClass == uid::kBasicGrayscaleImageBox;
  }
  return common || sopClass == uid::kBasicColorImageBox;
}

}  // namespace

PDU_Service::PDU_Service()
    : decoder_([this](uint8_t presentationContextID) {
        return AcceptedEncoding(presentationContextID);
      }) {
  buffer_.SetInByteOrder(Buffer::kBigEndian);
  buffer_.SetOutByteOrder(Buffer::kBigEndian);
}

PDU_Service::~PDU_Service() {
  if (Connected()) ReleaseAssociation();
}

void PDU_Service::TraceLine(std::string_view text) const {
  if (trace_) WriteLog(text);
}

void PDU_Service::SetOwnUserInformation(UserInformation& info) const {
  info.maximumLength.maximumLength = kOwnMaximumLength;
  info.SetImplementationClassUID(uid::kImplementationClass);
  info.SetImplementationVersionName(kAssociationVersionName);
}

bool PDU_Service::ProposeAssociation(std::string_view callingApTitle,
                                     std::string_view calledApTitle,
                                     std::string_view abstractSyntax,
                                     const std::vector<std::string>& transferSyntaxes) {
  PresentationContext context;
  if (!context.SetAbstractSyntax(abstractSyntax)) return false;
  for (const std::string& transferSyntax : transferSyntaxes) {
    if (!context.AddTransferSyntax(transferSyntax)) return false;
  }
  assocRQ_.SetCallingApTitle(callingApTitle.empty() ? kDefaultCallingApTitle : callingApTitle);
  assocRQ_.SetCalledApTitle(calledApTitle);
  assocRQ_.SetApplicationContext(uid::kApplicationContext);
  ResetUniqueIDs();
  context.SetPresentationContextID(NextContextID());
  assocRQ_.AddPresentationContext(std::move(context));
  return true;
}

bool PDU_Service::ProposeAssociation(std::string_view callingApTitle,
                                     std::string_view calledApTitle,
                                     const std::vector<ContextProposal>& contexts) {
  // A presentation context ID is an odd number up to 255.
  constexpr size_t kMaxContexts = 128;
  if (contexts.empty() || contexts.size() > kMaxContexts) return false;
  std::vector<PresentationContext> items(contexts.size());
  for (size_t i = 0; i < contexts.size(); ++i) {
    if (!items[i].SetAbstractSyntax(contexts[i].abstractSyntax)) return false;
    for (const std::string& transferSyntax : contexts[i].transferSyntaxes) {
      if (!items[i].AddTransferSyntax(transferSyntax)) return false;
    }
  }
  assocRQ_.SetCallingApTitle(callingApTitle.empty() ? kDefaultCallingApTitle : callingApTitle);
  assocRQ_.SetCalledApTitle(calledApTitle);
  assocRQ_.SetApplicationContext(uid::kApplicationContext);
  ResetUniqueIDs();
  for (PresentationContext& item : items) {
    item.SetPresentationContextID(NextContextID());
    assocRQ_.AddPresentationContext(std::move(item));
  }
  return true;
}

ServiceResult PDU_Service::Connect(std::string_view host, std::string_view port) {
  pDataTF_.ClearPending();
  SetOwnUserInformation(assocRQ_.UserInfo());
  if (!timeouts_) timeouts_ = NetworkTimeouts{};
  Socket& socket = buffer_.socket();
  socket.SetConnectTimeout(timeouts_->connect);
  socket.SetReceiveTimeout(timeouts_->dimse);
  if (!socket.Open(host, port)) return ConnectionFailure(socket, host, port, timeouts_->connect);
  TraceLine(Joined({"Connected to: ", host, ":", port}));

  if (!assocRQ_.Write(buffer_)) {
    WriteLog("Association RQ failed!");
    // A half-sent request cannot be continued.
    socket.Close();
    return ServiceResult::Failed(ServiceFailure::kNotSent, "the A-ASSOCIATE-RQ could not be sent");
  }

  // The whole answer, not only its first byte, must come within the ACSE time-out.
  StartDeadline(timeouts_->acse);
  ServiceResult answer = ReadAssociationAnswer();
  socket.ClearDeadline();
  if (answer.failure == ServiceFailure::kTimeout) {
    // The peer may still answer later; the abort tells it not to.
    AbortAssociation(kAbortSourceServiceProvider, kAbortReasonNotSpecified);
  }
  if (answer.failure == ServiceFailure::kNoPresentationContext && releaseUnaccepted_) {
    ReleaseAssociation();
  }
  if (!answer) socket.Close();
  return answer;
}

ServiceResult PDU_Service::ReadAssociationAnswer() {
  const std::string limit = DurationText(Timeouts().acse);
  const auto unanswered = [&](std::string_view what) {
    if (buffer_.socket().DeadlinePassed()) {
      return ServiceResult::Failed(ServiceFailure::kTimeout,
                                   std::string(what) + " within " + limit + " (ACSE time-out)");
    }
    return ServiceResult::Failed(ServiceFailure::kNoResponse,
                                 "the peer closed the connection instead of answering the "
                                 "A-ASSOCIATE-RQ");
  };

  uint8_t type;
  if (!buffer_.ReadByte(type)) return unanswered("no answer to the A-ASSOCIATE-RQ");
  TraceLine("Item Type: " + std::to_string(type));

  if (type == kPduAssociateAC) {
    TraceLine("Association Accept::ReadDynamic");
    if (!assocAC_.ReadDynamic(buffer_)) {
      if (buffer_.socket().DeadlinePassed() || !Connected()) {
        return unanswered("no whole A-ASSOCIATE-AC");
      }
      // What was read of a broken answer cannot be trusted.
      AbortAssociation(kAbortSourceServiceProvider, kAbortReasonInvalidPduParameter);
      return ServiceResult::Failed(ServiceFailure::kProtocol,
                                   "the A-ASSOCIATE-AC could not be read");
    }
    for (const PresentationContextAccept& context : assocAC_.PresentationContexts()) {
      if (context.Result() != kContextAcceptance) continue;
      accepted_.push_back(context);
      TraceLine(Joined(
          {"Presentation Context Accept, Transfer Syntax: ", context.TransferSyntax().Text()}));
    }
    if (!accepted_.empty()) {
      pDataTF_.SetPeerMaximumLength(assocAC_.UserInfo().maximumLength.maximumLength);
      if (!PeerMaximumTooSmall()) return ServiceResult::Success();
      AbortAssociation(kAbortSourceServiceUser, kAbortReasonNotSpecified);
      return ServiceResult::Failed(ServiceFailure::kProtocol,
                                   "the peer's maximum PDU length (" +
                                       std::to_string(pDataTF_.PeerMaximumLength()) +
                                       " bytes) cannot hold a PDV; the association was aborted");
    }
    return ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                                 "the peer accepted no presentation context");
  }
  if (type == kPduAssociateRJ) {
    WriteLog("Association Rejected...");
    if (!assocRJ_.ReadDynamic(buffer_)) {
      return ServiceResult::Failed(ServiceFailure::kRejected,
                                   "association rejected (its reason could not be read)");
    }
    return ServiceResult::Failed(
        ServiceFailure::kRejected,
        RejectionText(assocRJ_.Result(), assocRJ_.Source(), assocRJ_.Reason()));
  }
  WriteLog("Corrupt Transmission...");
  if (type == kPduAbort) {
    return PeerAbort();
  }
  return ServiceResult::Failed(
      ServiceFailure::kProtocol,
      "the peer answered the A-ASSOCIATE-RQ with a PDU of type " + std::to_string(type));
}

ServiceResult PDU_Service::PeerAbort() {
  AAbortRQ abort;
  if (!abort.ReadDynamic(buffer_)) {
    return ServiceResult::Failed(ServiceFailure::kAborted,
                                 "the peer aborted the association (no source or reason read)");
  }
  return ServiceResult::Failed(ServiceFailure::kAborted, AbortText(abort.Source(), abort.Reason()));
}

void PDU_Service::StartDeadline(std::chrono::milliseconds limit) {
  if (limit.count() > 0) {
    buffer_.socket().SetDeadline(Socket::Clock::now() + limit);
  } else {
    buffer_.socket().ClearDeadline();
  }
}

bool PDU_Service::AcceptAssociation(int connection, AcceptorPolicy policy) {
  policy_ = std::move(policy);
  Socket& socket = buffer_.socket();
  if (socket.Connected()) socket.Close();
  socket.AdoptConnection(connection);

  if (!assocRQ_.Read(buffer_)) {
    TraceLine("ERROR, assocRQ.Read Failed!");
    // The peer waits for an answer to a request we could not read.
    AbortAssociation(kAbortSourceServiceProvider, kAbortReasonInvalidPduParameter);
    return false;
  }
  pDataTF_.SetPeerMaximumLength(assocRQ_.UserInfo().maximumLength.maximumLength);
  if (PeerMaximumTooSmall()) {
    // Not a single response could be sent to it.
    AbortAssociation(kAbortSourceServiceProvider, kAbortReasonInvalidPduParameter);
    return false;
  }
  if (!InterogateAAsociateRQ()) {
    TraceLine("ERROR, InterogateAAsociateRQ Failed!");
    socket.Close();
    return false;
  }
  return true;
}

bool PDU_Service::PeerMaximumTooSmall() const {
  if (pDataTF_.CanSend()) return false;
  TraceLine("ERROR, the peer's maximum PDU length " + std::to_string(pDataTF_.PeerMaximumLength()) +
            " holds no PDV");
  return true;
}

bool PDU_Service::InterogateAAsociateRQ() {
  assocAC_.SetCalledApTitle(assocRQ_.CalledApTitle());
  assocAC_.SetCallingApTitle(assocRQ_.CallingApTitle());
  TraceLine(Joined({"Called Ap. Title: ", assocRQ_.CalledApTitle()}));
  TraceLine(Joined({"Calling Ap. Title: ", assocRQ_.CallingApTitle()}));

  assocAC_.ApplicationContext() = assocRQ_.ApplicationContext();
  assocAC_.UserInfo() = assocRQ_.UserInfo();

  // The classes whose objects go to the requester: it asked for the SCP role and gets it.
  const auto sentToRequester = [this](std::string_view sopClass) {
    if (!policy_.grantsRequesterScpRole || !policy_.grantsRequesterScpRole(sopClass)) {
      return false;
    }
    for (const RoleSelection& role : assocRQ_.UserInfo().roleSelections) {
      if (role.scpRole && role.SOPClass() == sopClass) return true;
    }
    return false;
  };
  const size_t acceptedBefore = accepted_.size();
  for (const PresentationContext& proposed : assocRQ_.PresentationContexts()) {
    PresentationContextAccept answer = PresentationContextAccept::New();
    answer.SetPresentationContextID(proposed.PresentationContextID());
    answer.SetResult(kContextAbstractSyntaxNotSupported);
    const std::string_view abstractSyntax = proposed.AbstractSyntax().Text();
    if (!policy_.Empty() && policy_.servesAbstractSyntax(abstractSyntax)) {
      // Served, so only the transfer syntaxes can fail it.
      answer.SetResult(kContextTransferSyntaxesNotSupported);
      answer.SetAbstractSyntax(abstractSyntax);
      const std::string_view transferSyntax =
          policy_.chooseSyntaxToSend && sentToRequester(abstractSyntax)
              ? policy_.chooseSyntaxToSend(abstractSyntax, proposed.TransferSyntaxes())
              : policy_.chooseTransferSyntax(abstractSyntax, proposed.TransferSyntaxes());
      if (!transferSyntax.empty()) {
        TraceLine(Joined({"Offered Presentation Context, Abstract Syntax: ", abstractSyntax}));
        TraceLine(Joined({"Offered Presentation Context, Transfer Syntax: ", transferSyntax}));
        answer.SetResult(kContextAcceptance);
        answer.SetTransferSyntax(transferSyntax);
        accepted_.push_back(answer);
      }
    }
    assocAC_.AddPresentationContext(std::move(answer));
  }
  const bool anyAccepted = accepted_.size() > acceptedBefore;
  if (anyAccepted) SetOwnUserInformation(assocAC_.UserInfo());
  // Every proposed role is answered; only the policy grants the requester the SCP role.
  std::vector<RoleSelection>& roles = assocAC_.UserInfo().roleSelections;
  roles.clear();
  for (const RoleSelection& proposed : assocRQ_.UserInfo().roleSelections) {
    roles.push_back(AnswerRoles(proposed, sentToRequester(proposed.SOPClass())));
  }
  const bool sent = assocAC_.Write(buffer_);
  return anyAccepted && sent;
}

bool PDU_Service::ReleaseAssociation() {
  pDataTF_.ClearPending();
  if (Connected() && releaseRQ_.Write(buffer_)) {
    if (timeouts_) StartDeadline(timeouts_->acse);
    releaseRP_.Read(buffer_);
    buffer_.socket().ClearDeadline();
  }
  buffer_.socket().Close();
  return true;
}

void PDU_Service::AbortAssociation(uint8_t source, uint8_t reason) {
  pDataTF_.ClearPending();
  // The abort ends a wait whose deadline has often passed; it must still go out.
  buffer_.socket().ClearDeadline();
  if (Connected()) {
    abortRQ_.SetSource(source);
    abortRQ_.SetReason(reason);
    abortRQ_.Write(buffer_);
  }
  buffer_.ClearOutgoing();
  buffer_.socket().Close();
}

uint8_t PDU_Service::GetPresentationContextID(std::string_view sopClass) {
  TraceLine(Joined({"SOP Class UID: ", sopClass}));
  uint8_t id = 0;
  for (const PresentationContext& context : assocRQ_.PresentationContexts()) {
    const std::string_view abstractSyntax = context.AbstractSyntax().Text();
    TraceLine(Joined({"GetPresentationContextID: ", abstractSyntax}));
    if (abstractSyntax == uid::kBasicGrayscalePrintManagementMeta &&
        IsPrintMemberOf(abstractSyntax, sopClass)) {
      id = context.PresentationContextID();
    } else if (abstractSyntax == uid::kBasicColorPrintManagementMeta) {
      // A colour meta context stands only for its member classes.
      if (IsPrintMemberOf(abstractSyntax, sopClass)) id = context.PresentationContextID();
    } else if (abstractSyntax == sopClass) {
      return context.PresentationContextID();
    }
  }
  return id;
}

std::optional<std::string> PDU_Service::GetTransferSyntax(uint8_t presentationContextID) const {
  for (const PresentationContextAccept& context : accepted_) {
    if (context.PresentationContextID() == presentationContextID) {
      return std::string(context.TransferSyntax().Text());
    }
  }
  return std::nullopt;
}

}  // namespace norvane
