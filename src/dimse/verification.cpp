#include "dimse/verification.hpp"

#include "dimse/dimse_exchange.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane {

ServiceResult WriteEchoRQ(PDU_Service& pdu, std::string_view sopClass) {
  return SendCommand(pdu, Request(kCEchoRQ, sopClass, pdu.NextMessageID(), false));
}

ServiceResult ReadEchoRSP(PDU_Service& pdu) {
  DimseCommand response;
  ServiceResult read = ReadResponse(pdu, kCEchoRSP, response);
  if (!read) return read;
  return FinalStatusResult(response);
}

ServiceResult EchoSCU(const AssociationParameters& peer) {
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  ServiceResult result = OpenAssoc(pdu, peer, uid::kVerification);
  if (result) {
    result = WriteEchoRQ(pdu, uid::kVerification);
    if (result) result = ReadEchoRSP(pdu);
  }
  CloseAssoc(pdu);
  return result;
}

}  // namespace norvane
