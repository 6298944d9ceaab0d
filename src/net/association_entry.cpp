#include "net/association_entry.hpp"

#include <string>
#include <vector>

#include "net/uids.hpp"

namespace norvane {
namespace {

ServiceResult Open(RequesterAssociation& pdu, const AssociationParameters& peer,
                   std::string_view abstractSyntax,
                   const std::vector<std::string>& transferSyntaxes) {
  return OpenAssoc(pdu, peer, {ContextProposal{std::string(abstractSyntax), transferSyntaxes}});
}

}  // namespace

ServiceResult OpenAssoc(RequesterAssociation& pdu, const AssociationParameters& peer,
                        std::string_view abstractSyntax, std::string_view transferSyntax) {
  std::vector<std::string> transferSyntaxes;
  if (!transferSyntax.empty() && transferSyntax != uid::kImplicitVRLittleEndian) {
    transferSyntaxes.emplace_back(transferSyntax);
  }
  transferSyntaxes.emplace_back(uid::kImplicitVRLittleEndian);
  return Open(pdu, peer, abstractSyntax, transferSyntaxes);
}

ServiceResult OpenAssoc_Ex(RequesterAssociation& pdu, const AssociationParameters& peer,
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

ServiceResult OpenAssoc(RequesterAssociation& pdu, const AssociationParameters& peer,
                        const std::vector<ContextProposal>& contexts) {
  ServiceResult proposed = pdu.Propose(peer.callingAETitle, peer.calledAETitle, contexts);
  if (!proposed) return proposed;
  pdu.SetTimeouts(peer.timeouts);
  pdu.SetMessageLimit(peer.maxObjectSize);
  pdu.SetTls(peer.tls);
  ServiceResult connected = pdu.Connect(peer.host, peer.port);
  if (connected && peer.accepted) peer.accepted(pdu);
  return connected;
}

bool CloseAssoc(PDU_Service& pdu) {
  (void)pdu.ReleaseAssociation();
  return true;
}

}  // namespace norvane
