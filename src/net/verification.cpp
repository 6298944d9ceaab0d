#include "net/verification.hpp"

#include "elements/tag_list.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/command_set.hpp"
#include "net/uids.hpp"
#include "net/unique_ids.hpp"

namespace norvane {

bool WriteEchoRQ(PDU_Service& pdu, std::string_view sopClass) {
  TagList elements;
  elements.push_back(GenerateUIDTag(kCommandGroup, kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(kCommandField, kCEchoRQ));
  elements.push_back(CommandUS(kMessageID, NextMessageID()));
  elements.push_back(CommandUS(kCommandDataSetType, kNoDataSet));
  return pdu.WriteMessage(CommandSet(std::move(elements)), sopClass, kCommandMessage);
}

bool ReadEchoRSP(PDU_Service& pdu) {
  TagList response;
  if (!pdu.ReadMessage(response)) return false;
  return GetTagUS(response, kCommandGroup, kCommandField) == kCEchoRSP &&
         GetTagUS(response, kCommandGroup, kStatus) == kStatusSuccess;
}

bool EchoSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
             std::string_view calledApTitle) {
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  if (LogLevel() > 1) pdu->SetTrace(true);
  bool verified = false;
  if (OpenAssoc(*pdu, host, port, callingApTitle, calledApTitle, uid::kVerification)) {
    verified = WriteEchoRQ(*pdu, uid::kVerification) && ReadEchoRSP(*pdu);
  }
  CloseAssoc(*pdu);
  DeletePDU(std::move(pdu));
  return verified;
}

bool WriteEchoRSP(PDU_Service& pdu, const TagList& request) {
  const TagRecord* sopClassRecord = FindTag(request, kCommandGroup, kAffectedSOPClassUID);
  if (sopClassRecord == nullptr) return false;
  const std::string_view sopClass = UIDText(*sopClassRecord);
  if (sopClass.empty()) return false;
  TagList elements;
  elements.push_back(GenerateUIDTag(kCommandGroup, kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(kCommandField, kCEchoRSP));
  elements.push_back(
      CommandUS(kMessageIDBeingRespondedTo, GetTagUS(request, kCommandGroup, kMessageID)));
  elements.push_back(
      CommandUS(kCommandDataSetType, GetTagUS(request, kCommandGroup, kCommandDataSetType)));
  elements.push_back(CommandUS(kStatus, kStatusSuccess));
  return pdu.WriteMessage(CommandSet(std::move(elements)), sopClass, kCommandMessage);
}

}  // namespace norvane
