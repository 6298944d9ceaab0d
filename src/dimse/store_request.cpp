#include "dimse/store_request.hpp"

#include "convert/convert_dataset.hpp"
#include "datadec/transfer_syntax.hpp"
#include "elements/tag_list.hpp"
#include "net/command_set.hpp"
#include "net/unique_ids.hpp"

namespace norvane {
namespace {

constexpr uint16_t kSOPInstanceUIDGroup = 0x0008;
constexpr uint16_t kSOPInstanceUIDElement = 0x0018;

// The data set's own SOP Instance UID bytes; only a missing pad byte is added, as a
// command element of odd length breaks the encoding rules.
TagRecord AffectedSOPInstanceUID(const TagRecord& instance) {
  std::vector<uint8_t> value(ValueBytes(instance).begin(), ValueBytes(instance).end());
  if (value.size() % 2 != 0) value.push_back(0);
  return GenerateTag(kCommandGroup, kAffectedSOPInstanceUID, "UI", value);
}

}  // namespace

TagList StoreRQCommand(std::string_view sopClass, uint16_t messageID, const TagList& dataset) {
  TagList elements;
  elements.push_back(GenerateUIDTag(kCommandGroup, kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(kCommandField, kCStoreRQ));
  elements.push_back(CommandUS(kMessageID, messageID));
  elements.push_back(CommandUS(kPriority, kPriorityMedium));
  elements.push_back(CommandUS(kCommandDataSetType, kDataSetPresent));
  if (const TagRecord* instance = FindTag(dataset, kSOPInstanceUIDGroup, kSOPInstanceUIDElement)) {
    elements.push_back(AffectedSOPInstanceUID(*instance));
  }
  return CommandSet(std::move(elements));
}

StoreRequestResult SendStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                               std::string_view fileTransferSyntax, bool convert) {
  StoreRequestResult result;
  const uint8_t contextID = pdu.GetPresentationContextID(sopClass);
  std::optional<std::string> accepted;
  if (contextID != 0) accepted = pdu.GetTransferSyntax(contextID);
  if (!accepted) {
    result.status = StoreRequestStatus::kNoPresentationContext;
    return result;
  }
  result.acceptedSyntax = *accepted;

  // Only a converted data set needs a list of its own; an unchanged one is sent from the
  // caller's list.
  TagList converted;
  const bool sameSyntax = UidText(result.acceptedSyntax) == UidText(fileTransferSyntax);
  if (!sameSyntax) {
    if (!convert) {
      result.status = StoreRequestStatus::kConversionOff;
      return result;
    }
    result.conversion =
        ConvertDatasetWithStatus(converted, dataset, result.acceptedSyntax, fileTransferSyntax);
    if (result.conversion != ConvertStatus::kOk) {
      result.status = StoreRequestStatus::kNotConverted;
      return result;
    }
    result.converted = true;
  }
  const TagList& toSend = sameSyntax ? dataset : converted;

  const TagList command = StoreRQCommand(sopClass, NextMessageID(), toSend);
  if (!pdu.WriteMessage(command, sopClass, kCommandMessage)) {
    result.status = StoreRequestStatus::kNotSent;
    return result;
  }
  if (!pdu.WriteMessage(toSend, sopClass, kDataSetMessage)) {
    // The peer waits for a data set that will not come; the association cannot go on.
    pdu.AbortAssociation();
    result.status = StoreRequestStatus::kNotSent;
    return result;
  }
  result.status = StoreRequestStatus::kSent;
  return result;
}

bool WriteStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                  std::string_view fileTransferSyntax, bool convert) {
  return SendStoreRQ(pdu, dataset, sopClass, fileTransferSyntax, convert).Sent();
}

int ReadStoreRSP(PDU_Service& pdu) {
  TagList response;
  if (!pdu.ReadMessage(response)) return kNoStoreResponse;
  if (GetTagUS(response, kCommandGroup, kCommandField) != kCStoreRSP) {
    return kUnexpectedStoreResponse;
  }
  return GetTagUS(response, kCommandGroup, kStatus);
}

}  // namespace norvane
