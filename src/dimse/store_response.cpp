#include "dimse/store_response.hpp"

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/context_message.hpp"

namespace norvane {

std::optional<TagList> BuildStoreRSP(const TagList& request, uint16_t status) {
  const TagRecord* sopClassRecord = FindTag(request, tag::kAffectedSOPClassUID);
  if (sopClassRecord == nullptr) return std::nullopt;
  const std::string_view sopClass = UIDText(*sopClassRecord);
  if (sopClass.empty()) return std::nullopt;
  const uint16_t messageID = GetTagUS(request, tag::kMessageID);
  TagList elements;
  elements.push_back(GenerateUIDTag(tag::kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCStoreRSP));
  elements.push_back(CommandUS(tag::kMessageID, messageID));
  elements.push_back(CommandUS(tag::kMessageIDBeingRespondedTo, messageID));
  elements.push_back(CommandUS(tag::kCommandDataSetType, kNoDataSet));
  elements.push_back(CommandUS(tag::kStatus, status));
  return CommandSet(std::move(elements));
}

bool WriteStoreRSP(PDU_Service& pdu, const TagList& request, uint8_t presentationContextID,
                   uint16_t status) {
  const std::optional<TagList> response = BuildStoreRSP(request, status);
  if (!response) return false;
  return WriteMessageOnContext(pdu, *response, presentationContextID, kCommandMessage);
}

}  // namespace norvane
