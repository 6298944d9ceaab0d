#include "dimse/store_request.hpp"

#include "convert/convert_dataset.hpp"
#include "datadec/transfer_syntax.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "net/dimse_response.hpp"
#include "net/unique_ids.hpp"

namespace norvane {
namespace {

// The data set's own SOP Instance UID bytes; only a missing pad byte is added, as a
// command element of odd length breaks the encoding rules.
TagRecord AffectedSOPInstanceUID(const TagRecord& instance) {
  std::vector<uint8_t> value(ValueBytes(instance).begin(), ValueBytes(instance).end());
  if (value.size() % 2 != 0) value.push_back(0);
  return GenerateTag(tag::kAffectedSOPInstanceUID.group, tag::kAffectedSOPInstanceUID.element, "UI",
                     value);
}

}  // namespace

TagList StoreRQCommand(std::string_view sopClass, uint16_t messageID, const TagList& dataset) {
  TagList elements;
  elements.push_back(GenerateUIDTag(tag::kAffectedSOPClassUID, sopClass));
  elements.push_back(CommandUS(tag::kCommandField, kCStoreRQ));
  elements.push_back(CommandUS(tag::kMessageID, messageID));
  elements.push_back(CommandUS(tag::kPriority, kPriorityMedium));
  elements.push_back(CommandUS(tag::kCommandDataSetType, kDataSetPresent));
  if (const TagRecord* instance = FindTag(dataset, tag::kSOPInstanceUID)) {
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
    result.Set(
        ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                              "not sent: the peer accepted no presentation context for SOP class " +
                                  std::string(sopClass)));
    return result;
  }
  result.acceptedSyntax = *accepted;

  // Only a converted data set needs a list of its own; an unchanged one is sent from the
  // caller's list.
  TagList converted;
  const bool sameSyntax = UidText(result.acceptedSyntax) == UidText(fileTransferSyntax);
  if (!sameSyntax) {
    if (!convert) {
      result.Set(ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                                       "not sent: the peer accepted " + result.acceptedSyntax +
                                           ", the file is " + std::string(fileTransferSyntax) +
                                           " and conversion is off"));
      return result;
    }
    result.conversion =
        ConvertDatasetWithStatus(converted, dataset, result.acceptedSyntax, fileTransferSyntax);
    if (result.conversion != ConvertStatus::kOk) {
      result.Set(ServiceResult::Failed(
          ServiceFailure::kLocal, "not sent: conversion from " + std::string(fileTransferSyntax) +
                                      " to " + result.acceptedSyntax +
                                      " failed: " + std::string(Describe(result.conversion))));
      return result;
    }
    result.converted = true;
  }
  const TagList& toSend = sameSyntax ? dataset : converted;

  const TagList command = StoreRQCommand(sopClass, NextMessageID(), toSend);
  if (!pdu.WriteMessage(command, sopClass, kCommandMessage)) {
    result.Set(ServiceResult::Failed(ServiceFailure::kNotSent, "the request could not be sent"));
    return result;
  }
  if (!pdu.WriteMessage(toSend, sopClass, kDataSetMessage)) {
    // The peer waits for a data set that will not come; the association cannot go on.
    pdu.AbortAssociation();
    result.Set(ServiceResult::Failed(ServiceFailure::kNotSent,
                                     "the data set could not be sent after its C-STORE-RQ"));
    return result;
  }
  return result;
}

bool WriteStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                  std::string_view fileTransferSyntax, bool convert) {
  return SendStoreRQ(pdu, dataset, sopClass, fileTransferSyntax, convert).Ok();
}

ServiceResult ReadStoreRSP(PDU_Service& pdu) {
  DimseResponse response;
  ServiceResult read = ReadDimseResponse(pdu, kCStoreRSP, response);
  if (!read) return read;
  return FinalStatusResult(response);
}

}  // namespace norvane
