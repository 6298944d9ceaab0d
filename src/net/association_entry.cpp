#include "net/association_entry.hpp"

#include <vector>

#include "net/uids.hpp"

namespace norvane {
namespace {

ServiceResult Open(PDU_Service& pdu, std::string_view host, std::string_view port,
                   std::string& callingApTitle, std::string_view calledApTitle,
                   std::string_view abstractSyntax,
                   const std::vector<std::string>& transferSyntaxes) {
  if (callingApTitle.empty()) callingApTitle = kDefaultCallingApTitle;
  if (!pdu.ProposeAssociation(callingApTitle, calledApTitle, abstractSyntax, transferSyntaxes)) {
    return ServiceResult::Failed(ServiceFailure::kLocal,
                                 "a UID to propose is longer than 64 characters");
  }
  return pdu.Connect(host, port);
}

}  // namespace

std::unique_ptr<PDU_Service> NewPDU() {
  return std::make_unique<PDU_Service>();
}

void DeletePDU(std::unique_ptr<PDU_Service> pdu) {
  if (pdu && pdu->Connected()) pdu->ReleaseAssociation();
}

ServiceResult OpenAssoc(PDU_Service& pdu, std::string_view host, std::string_view port,
                        std::string& callingApTitle, std::string_view calledApTitle,
                        std::string_view abstractSyntax, std::string_view transferSyntax) {
  std::vector<std::string> transferSyntaxes;
  if (!transferSyntax.empty() && transferSyntax != uid::kImplicitVRLittleEndian) {
    transferSyntaxes.emplace_back(transferSyntax);
  }
  transferSyntaxes.emplace_back(uid::kImplicitVRLittleEndian);
  return Open(pdu, host, port, callingApTitle, calledApTitle, abstractSyntax, transferSyntaxes);
}

ServiceResult OpenAssoc_Ex(PDU_Service& pdu, std::string_view host, std::string_view port,
                           std::string& callingApTitle, std::string_view calledApTitle,
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
  return Open(pdu, host, port, callingApTitle, calledApTitle, abstractSyntax, transferSyntaxes);
}

bool CloseAssoc(PDU_Service& pdu) {
  return pdu.ReleaseAssociation();
}

}  // namespace norvane
