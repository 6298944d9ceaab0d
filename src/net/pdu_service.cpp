#include "net/pdu_service.hpp"

#include <initializer_list>
#include <string>

#include "log/log.hpp"
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

bool IsPrintMemberOf(std::string_view metaClass, std::string_view sopClass) {
  const bool common = sopClass == uid::kPrinter || sopClass == uid::kBasicFilmSession ||
                      sopClass == uid::kBasicFilmBox;
  if (metaClass == uid::kBasicGrayscalePrintManagementMeta) {
    return common || sopClass == uid::kBasicGrayscaleImageBox;
  }
  return common || sopClass == uid::kBasicColorImageBox;
}

}  // namespace

PDU_Service::PDU_Service() {
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

ServiceResult PDU_Service::Connect(std::string_view host, std::string_view port) {
  pDataTF_.ClearPending();
  SetOwnUserInformation(assocRQ_.UserInfo());
  if (!buffer_.socket().Open(host, port)) {
    return ServiceResult::Failed(ServiceFailure::kConnection,
                                 "no connection: refused, unreachable, or unknown host");
  }
  TraceLine(Joined({"Connected to: ", host, ":", port}));

  if (!assocRQ_.Write(buffer_)) {
    WriteLog("Association RQ failed!");
    // A half-sent request cannot be continued.
    buffer_.socket().Close();
    return ServiceResult::Failed(ServiceFailure::kNotSent, "the A-ASSOCIATE-RQ could not be sent");
  }

  uint8_t type;
  if (!buffer_.ReadByte(type)) {
    buffer_.socket().Close();
    return ServiceResult::Failed(ServiceFailure::kNoResponse,
                                 "no answer to the A-ASSOCIATE-RQ (the connection closed or "
                                 "the wait timed out)");
  }
  TraceLine("Item Type: " + std::to_string(type));

  ServiceResult failure;
  if (type == kPduAssociateAC) {
    TraceLine("Association Accept::ReadDynamic");
    if (!assocAC_.ReadDynamic(buffer_)) {
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
    failure = ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                                    "the peer accepted no presentation context");
  } else if (type == kPduAssociateRJ) {
    WriteLog("Association Rejected...");
    assocRJ_.ReadDynamic(buffer_);
    failure = ServiceResult::Failed(ServiceFailure::kRejected, "the peer rejected the association");
  } else {
    WriteLog("Corrupt Transmission...");
    failure = type == kPduAbort
                  ? ServiceResult::Failed(ServiceFailure::kAborted,
                                          "the peer aborted the association request")
                  : ServiceResult::Failed(ServiceFailure::kProtocol,
                                          "the peer answered the A-ASSOCIATE-RQ with a PDU of "
                                          "type " +
                                              std::to_string(type));
  }
  buffer_.socket().Close();
  return failure;
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

  const size_t acceptedBefore = accepted_.size();
  for (const PresentationContext& proposed : assocRQ_.PresentationContexts()) {
    PresentationContextAccept answer = PresentationContextAccept::New();
    answer.SetPresentationContextID(proposed.PresentationContextID());
    answer.SetResult(kContextTransferSyntaxesNotSupported);
    const std::string_view abstractSyntax = proposed.AbstractSyntax().Text();
    if (!policy_.Empty() && policy_.servesAbstractSyntax(abstractSyntax)) {
      answer.SetAbstractSyntax(abstractSyntax);
      const std::string_view transferSyntax =
          policy_.chooseTransferSyntax(abstractSyntax, proposed.TransferSyntaxes());
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
  const bool sent = assocAC_.Write(buffer_);
  return anyAccepted && sent;
}

bool PDU_Service::ReleaseAssociation() {
  pDataTF_.ClearPending();
  if (Connected() && releaseRQ_.Write(buffer_)) {
    releaseRP_.Read(buffer_);
  }
  buffer_.socket().Close();
  return true;
}

void PDU_Service::AbortAssociation(uint8_t source, uint8_t reason) {
  pDataTF_.ClearPending();
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

bool PDU_Service::GetTransferSyntax(uint8_t presentationContextID,
                                    std::string& transferSyntax) const {
  std::optional<std::string> found = GetTransferSyntax(presentationContextID);
  transferSyntax = found.value_or(std::string());
  return found.has_value();
}

}  // namespace norvane
