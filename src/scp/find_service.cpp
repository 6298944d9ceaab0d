#include "scp/find_service.hpp"

#include <optional>
#include <string>
#include <vector>

#include "database/archive_query.hpp"
#include "database/worklist_query.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/context_message.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

// Failure statuses of the query service.
constexpr uint16_t kStatusIdentifierDoesNotMatchSOPClass = 0xA900;
constexpr uint16_t kStatusUnableToProcess = 0xC000;

struct FindAnswer {
  uint16_t status = kStatusSuccess;
  std::vector<TagList> matches;
};

FindAnswer Query(std::string_view sopClass, const TagList& identifier, bool explicitVR,
                 const StoreSCPSettings& settings) {
  FindAnswer answer;
  std::optional<QueryModel> model;
  if (sopClass == uid::kStudyRootQueryRetrieveFind) model = QueryModel::kStudyRoot;
  if (sopClass == uid::kPatientRootQueryRetrieveFind) model = QueryModel::kPatientRoot;
  if (model) {
    QueryAnswer archive = QueryStoredObjects(settings.folder, *model, identifier, settings.aeTitle);
    if (!archive.identifierValid) answer.status = kStatusIdentifierDoesNotMatchSOPClass;
    answer.matches = std::move(archive.matches);
  } else if (sopClass == uid::kModalityWorklistFind && !settings.worklistFolder.empty()) {
    QueryAnswer worklist = QueryWorklist(settings.worklistFolder, identifier, explicitVR);
    if (!worklist.identifierValid) answer.status = kStatusIdentifierDoesNotMatchSOPClass;
    answer.matches = std::move(worklist.matches);
  } else {
    answer.status = kStatusUnableToProcess;
  }
  return answer;
}

bool WriteFindRSP(PDU_Service& pdu, const TagList& request, std::string_view sopClass,
                  uint8_t contextID, uint16_t status, const TagList* identifier) {
  const uint16_t messageID = GetTagUS(request, tag::kMessageID);
  TagList elements;
  elements.push_back(GenerateUIDTag(tag::kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCFindRSP));
  elements.push_back(CommandUS(tag::kMessageIDBeingRespondedTo, messageID));
  elements.push_back(
      CommandUS(tag::kCommandDataSetType, identifier != nullptr ? kDataSetPresent : kNoDataSet));
  elements.push_back(CommandUS(tag::kStatus, status));
  if (!WriteMessageOnContext(pdu, CommandSet(std::move(elements)), contextID, kCommandMessage))
    return false;
  return identifier == nullptr ||
         WriteMessageOnContext(pdu, *identifier, contextID, kDataSetMessage);
}

}  // namespace

std::string ContextSOPClass(const PDU_Service& pdu, uint8_t contextID) {
  for (const PresentationContextAccept& accepted : pdu.Accepted()) {
    if (accepted.PresentationContextID() == contextID) {
      return std::string(accepted.AbstractSyntax().Text());
    }
  }
  return {};
}

bool ServeFind(PDU_Service& pdu, const TagList& command, uint8_t contextID,
               const StoreSCPSettings& settings, const AssociationActivity& activity) {
  TagList identifier;
  const bool hasIdentifier = GetTagUS(command, tag::kCommandDataSetType) != kNoDataSet;
  if (hasIdentifier) {
    activity(true);
    if (!pdu.ReadMessage(identifier, ExpectedMessage::kDataSet)) return false;
  }
  activity(false);
  const TagRecord* affected = FindTag(command, tag::kAffectedSOPClassUID);
  const std::string sopClass =
      affected != nullptr ? std::string(UIDText(*affected)) : ContextSOPClass(pdu, contextID);
  const std::optional<std::string> transferSyntax = pdu.GetTransferSyntax(contextID);
  const bool explicitVR = transferSyntax && *transferSyntax != uid::kImplicitVRLittleEndian;

  FindAnswer answer;
  if (hasIdentifier) {
    answer = Query(ContextSOPClass(pdu, contextID), identifier, explicitVR, settings);
  } else {
    answer.status = kStatusUnableToProcess;
  }
  if (answer.status != kStatusSuccess) {
    return WriteFindRSP(pdu, command, sopClass, contextID, answer.status, nullptr);
  }
  for (const TagList& match : answer.matches) {
    activity(true);  // the peer takes each response at its own pace
    if (!WriteFindRSP(pdu, command, sopClass, contextID, kStatusPending, &match)) return false;
  }
  activity(false);
  return WriteFindRSP(pdu, command, sopClass, contextID, kStatusSuccess, nullptr);
}

}  // namespace norvane
