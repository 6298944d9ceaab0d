#include "net/pdu_service.hpp"

#include <string>

#include "log/log.hpp"
#include "net/association_reasons.hpp"
#include "net/pdu_layout.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

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
  if (Connected()) (void)ReleaseAssociation();
}

void PDU_Service::TraceLine(std::string_view text) const {
  if (trace_) WriteLog(text);
}

void PDU_Service::StartDeadline(std::chrono::milliseconds limit) {
  if (limit.count() > 0) {
    buffer_.socket().SetDeadline(Socket::Clock::now() + limit);
  } else {
    buffer_.socket().ClearDeadline();
  }
}

ServiceResult PDU_Service::PeerAbort() {
  AAbortRQ abort;
  if (!abort.ReadDynamic(buffer_)) {
    return ServiceResult::Failed(ServiceFailure::kAborted,
                                 "the peer aborted the association (no source or reason read)");
  }
  return ServiceResult::Failed(ServiceFailure::kAborted, AbortText(abort.Source(), abort.Reason()));
}

void PDU_Service::Negotiated(const AAssociateAC& answer, const UserInformation& peer) {
  contexts_ = NegotiatedContexts(request_, answer);
  answeredRoles_ = answer.UserInfo().roleSelections;
  peer_.implementationClassUID = peer.ImplementationClassUID().Text();
  peer_.implementationVersionName = peer.ImplementationVersionName().Text();
  peer_.maximumLength = peer.maximumLength.maximumLength;
  pDataTF_.SetPeerMaximumLength(peer_.maximumLength);
  // The first request's Message ID follows the IDs of the proposed contexts.
  nextMessageID_ = static_cast<uint16_t>(2 * request_.PresentationContexts().size() + 1);
}

bool PDU_Service::PeerMaximumTooSmall() const {
  if (pDataTF_.CanSend()) return false;
  TraceLine("ERROR, the peer's maximum PDU length " + std::to_string(pDataTF_.PeerMaximumLength()) +
            " holds no PDV");
  return true;
}

uint16_t PDU_Service::NextMessageID() {
  const uint16_t id = nextMessageID_;
  nextMessageID_ = static_cast<uint16_t>(nextMessageID_ + 2);
  return id;
}

ServiceResult PDU_Service::ReleaseAssociation() {
  pDataTF_.ClearPending();
  ServiceResult result =
      ServiceResult::Failed(ServiceFailure::kNoResponse, "the association is not open");
  AReleaseRQ request;
  if (Connected() && request.Write(buffer_)) {
    if (timeouts_) StartDeadline(timeouts_->acse);
    AReleaseRP answer;
    if (answer.Read(buffer_) && answer.PduType() == kPduReleaseRP) {
      result = ServiceResult::Success();
    } else {
      result = ServiceResult::Failed(ServiceFailure::kNoResponse,
                                     "the peer did not answer the A-RELEASE-RQ");
    }
    buffer_.socket().ClearDeadline();
  }
  buffer_.socket().Close();
  return result;
}

void PDU_Service::AbortAssociation(uint8_t source, uint8_t reason) {
  pDataTF_.ClearPending();
  // The abort ends a wait whose deadline has often passed; it must still go out.
  buffer_.socket().ClearDeadline();
  if (Connected()) {
    AAbortRQ abort;
    abort.SetSource(source);
    abort.SetReason(reason);
    abort.Write(buffer_);
  }
  buffer_.ClearOutgoing();
  buffer_.socket().Close();
}

RoleSelection PDU_Service::NegotiatedRoles(std::string_view sopClass) const {
  return norvane::NegotiatedRoles(answeredRoles_, sopClass);
}

uint8_t PDU_Service::GetPresentationContextID(std::string_view sopClass) const {
  TraceLine("SOP Class UID: " + std::string(sopClass));
  uint8_t id = 0;
  for (const NegotiatedContext& context : contexts_) {
    const std::string_view abstractSyntax = context.abstractSyntax;
    TraceLine("GetPresentationContextID: " + context.abstractSyntax);
    if (abstractSyntax == uid::kBasicGrayscalePrintManagementMeta &&
        IsPrintMemberOf(abstractSyntax, sopClass)) {
      id = context.id;
    } else if (abstractSyntax == uid::kBasicColorPrintManagementMeta) {
      // A colour meta context stands only for its member classes.
      if (IsPrintMemberOf(abstractSyntax, sopClass)) id = context.id;
    } else if (abstractSyntax == sopClass) {
      return context.id;
    }
  }
  return id;
}

std::optional<std::string> PDU_Service::GetTransferSyntax(uint8_t presentationContextID) const {
  for (const NegotiatedContext& context : contexts_) {
    if (context.id == presentationContextID && context.Accepted()) return context.transferSyntax;
  }
  return std::nullopt;
}

std::string_view PDU_Service::AbstractSyntaxOf(uint8_t presentationContextID) const {
  for (const NegotiatedContext& context : contexts_) {
    if (context.id == presentationContextID && context.Accepted()) return context.abstractSyntax;
  }
  return {};
}

bool PDU_Service::MessageWaiting() {
  return pDataTF_.PendingLength() != 0 || buffer_.Readable();
}

}  // namespace norvane
