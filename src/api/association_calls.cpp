// Association handles and the Verification service. Every call into the association entry
// points and the one-call services is in this file and in scu_calls.cpp.

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/peer.hpp"
#include "dimse/verification.hpp"
#include "net/association_entry.hpp"

using norvane::api::Byte;
using norvane::api::Fail;
using norvane::api::Guarded;
using norvane::api::PeerOf;
using norvane::api::Succeeded;
using norvane::api::Text;

namespace {

constexpr const char* kNoAssociation = "no association handle (NULL)";

}  // namespace

extern "C" {

PDU_Service* NewPDU(void) {
  return Guarded<PDU_Service*>(nullptr, [] { return new PDU_Service; });
}

void DeletePDU(PDU_Service* association) {
  if (association == nullptr) return;
  Guarded([&] {
    if (association->Connected()) (void)association->ReleaseAssociation();
  });
  delete association;
}

uint8_t OpenAssoc(PDU_Service* association, const char* host, const char* port,
                  char* callingApTitle, const char* calledApTitle, const char* abstractSyntax,
                  const char* transferSyntax) {
  if (association == nullptr) return Fail<uint8_t>(0, kNoAssociation);
  return Guarded<uint8_t>(0, [&] {
    const norvane::AssociationParameters peer = PeerOf(host, port, callingApTitle, calledApTitle);
    return Byte(Succeeded(
        norvane::OpenAssoc(*association, peer, Text(abstractSyntax), Text(transferSyntax))));
  });
}

uint8_t CloseAssoc(PDU_Service* association) {
  if (association != nullptr) Guarded([&] { norvane::CloseAssoc(*association); });
  return 1;
}

uint8_t WriteEchoRQ(PDU_Service* association, const char* sopClass) {
  if (association == nullptr) return Fail<uint8_t>(0, kNoAssociation);
  return Guarded<uint8_t>(0, [&] {
    const norvane::ServiceResult sent = norvane::WriteEchoRQ(*association, Text(sopClass));
    if (sent) return Byte(true);
    return Fail<uint8_t>(0, sent.reason);
  });
}

uint8_t ReadEchoRSP(PDU_Service* association) {
  if (association == nullptr) return Fail<uint8_t>(0, kNoAssociation);
  return Guarded<uint8_t>(0, [&] { return Byte(Succeeded(norvane::ReadEchoRSP(*association))); });
}

uint8_t EchoSCU(const char* host, const char* port, char* callingApTitle,
                const char* calledApTitle) {
  return Guarded<uint8_t>(0, [&] {
    const norvane::AssociationParameters peer = PeerOf(host, port, callingApTitle, calledApTitle);
    return Byte(Succeeded(norvane::EchoSCU(peer)));
  });
}

}  // extern "C"
