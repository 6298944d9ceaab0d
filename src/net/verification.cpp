#include "net/verification.hpp"

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/command_set.hpp"
#include "net/dimse_response.hpp"
#include "net/uids.hpp"
#include "net/unique_ids.hpp"

namespace norvane {

bool WriteEchoRQ(PDU_Service& pdu, std::string_view sopClass) {
  TagList elements;
  elements.push_back(GenerateUIDTag(tag::kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCEchoRQ));
  elements.push_back(CommandUS(tag::kMessageID, NextMessageID()));
  elements.push_back(CommandUS(tag::kCommandDataSetType, kNoDataSet));
  return pdu.WriteMessage(CommandSet(std::move(elements)), sopClass, kCommandMessage);
}

ServiceResult ReadEchoRSP(PDU_Service& pdu) {
  DimseResponse response;
  ServiceResult read = ReadDimseResponse(pdu, kCEchoRSP, response);
  if (!read) return read;
  return FinalStatusResult(response);
}

ServiceResult EchoSCU(std::string_view host, std::string_view port, std::string& callingApTitle,
                      std::string_view calledApTitle) {
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  if (LogLevel() > 1) pdu->SetTrace(true);
  ServiceResult result =
      OpenAssoc(*pdu, host, port, callingApTitle, calledApTitle, uid::kVerification);
  if (result) {
    result =
        WriteEchoRQ(*pdu, uid::kVerification)
            ? ReadEchoRSP(*pdu)
            : ServiceResult::Failed(ServiceFailure::kNotSent, "the C-ECHO-RQ could not be sent");
  }
  CloseAssoc(*pdu);
  DeletePDU(std::move(pdu));
  return result;
}

bool WriteEchoRSP(PDU_Service& pdu, const TagList& request) {
  const TagRecord* sopClassRecord = FindTag(request, tag::kAffectedSOPClassUID);
  if (sopClassRecord == nullptr) return false;
  const std::string_view sopClass = UIDText(*sopClassRecord);
  if (sopClass.empty()) return false;
  TagList elements;
  elements.push_back(GenerateUIDTag(tag::kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCEchoRSP));
  elements.push_back(
      CommandUS(tag::kMessageIDBeingRespondedTo, GetTagUS(request, tag::kMessageID)));
  elements.push_back(
      CommandUS(tag::kCommandDataSetType, GetTagUS(request, tag::kCommandDataSetType)));
  elements.push_back(CommandUS(tag::kStatus, kStatusSuccess));
  return pdu.WriteMessage(CommandSet(std::move(elements)), sopClass, kCommandMessage);
}

}  // namespace norvane
