#include "net/association_entry.hpp"

#include <string>
#include <vector>

#include "net/uids.hpp"

namespace norvane {
namespace {

ServiceResult Open(PDU_Service& pdu, const AssociationParameters& peer,
                   std::string_view abstractSyntax,
                   const std::vector<std::string>& transferSyntaxes) {
  const std::string_view calling =
      peer.callingAETitle.empty() ? kDefaultCallingApTitle : std::string_view(peer.callingAETitle);
  if (!pdu.ProposeAssociation(calling, peer.calledAETitle, abstractSyntax, transferSyntaxes)) {
    return ServiceResult::Failed(ServiceFailure::kLocal,
                                 "a UID to propose is longer than 64 characters");
  }
  pdu.SetTimeouts(peer.timeouts);
  return pdu.Connect(peer.host, peer.port);
}

}  // namespace

ServiceResult OpenAssoc(PDU_Service& pdu, const AssociationParameters& peer,
                        std::string_view abstractSyntax, std::string_view transferSyntax) {
  std::vector<std::string> transferSyntaxes;
  if (!transferSyntax.empty() && transferSyntax != uid::kImplicitVRLittleEndian) {
    transferSyntaxes.emplace_back(transferSyntax);
  }
  transferSyntaxes.emplace_back(uid::kImplicitVRLittleEndian);
  return Open(pdu, peer, abstractSyntax, transferSyntaxes);
}

ServiceResult OpenAssoc_Ex(PDU_Service& pdu, const AssociationParameters& peer,
                           std::string_view abstractSyntax, std::string_view fileTransferSyntax,
                           std::string_view preferredTransferSyntax) {
  std::vector<std::string> transferSyntaxes;
  const bool preferred =
      !preferredTransferSyntax.empty() && preferredTransferSyntax != uid::kImplicitVRLittleEndian;
  if (preferred) transferSyntaxes.emplace_back(preferredTransferSyntax);
  if (!fileTransferSyntax.empty() && fileTransferSyntax != uid::kImplicitVRLittleEndian &&
      (preferredTransferSyntax.empty() || fileTransferSyntax != preferredTransferSyntax)) {
    transferSyntaxes.emplace_back(fileTransferSyntax);
  }
  transferSyntaxes.emplace_back(uid::kImplicitVRLittleEndian);
  return Open(pdu, peer, abstractSyntax, transferSyntaxes);
}

ServiceResult OpenAssoc(PDU_Service& pdu, const AssociationParameters& peer,
                        const std::vector<ContextProposal>& contexts) {
  const std::string_view calling =
      peer.callingAETitle.empty() ? kDefaultCallingApTitle : std::string_view(peer.callingAETitle);
  if (!pdu.ProposeAssociation(calling, peer.calledAETitle, contexts)) {
    return ServiceResult::Failed(ServiceFailure::kLocal,
                                 "the presentation contexts cannot be proposed (none, more than "
                                 "128, or a UID longer than 64 characters)");
  }
  pdu.SetTimeouts(peer.timeouts);
  return pdu.Connect(peer.host, peer.port);
}

bool CloseAssoc(PDU_Service& pdu) {
  return pdu.ReleaseAssociation();
}

}  // namespace norvane
