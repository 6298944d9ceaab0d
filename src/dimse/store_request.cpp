#include "dimse/store_request.hpp"

#include <algorithm>

#include "convert/convert_dataset.hpp"
#include "convert/reachable_syntaxes.hpp"
#include "datadec/transfer_syntax.hpp"
#include "datadec/values_in_file.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/dimse_exchange.hpp"
#include "dimse/store_contexts.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

// Every SendStoreRQ: the originator, when given, is named in the command.
StoreRequestResult SendStoreWith(PDU_Service& pdu, const TagList& dataset,
                                 std::string_view sopClass, std::string_view fileTransferSyntax,
                                 bool convert, std::string_view preferredTransferSyntax,
                                 const MoveOriginator* originator);

}  // namespace

DimseCommand StoreRequest(std::string_view sopClass, uint16_t messageID, const TagList& dataset) {
  DimseCommand request = Request(kCStoreRQ, sopClass, messageID, true);
  if (const TagRecord* instance = FindTopLevel(dataset, tag::kSOPInstanceUID)) {
    request.affectedSOPInstanceUID = UIDText(*instance);
  }
  return request;
}

DimseCommand StoreRequest(std::string_view sopClass, uint16_t messageID, const TagList& dataset,
                          const MoveOriginator& originator) {
  DimseCommand request = StoreRequest(sopClass, messageID, dataset);
  request.moveOriginatorAETitle = originator.aeTitle;
  request.moveOriginatorMessageID = originator.messageID;
  return request;
}

StoreRequestResult SendStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                               std::string_view fileTransferSyntax, bool convert) {
  return SendStoreRQ(pdu, dataset, sopClass, fileTransferSyntax, convert, std::string_view());
}

StoreRequestResult SendStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                               std::string_view fileTransferSyntax, bool convert,
                               std::string_view preferredTransferSyntax) {
  return SendStoreWith(pdu, dataset, sopClass, fileTransferSyntax, convert, preferredTransferSyntax,
                       nullptr);
}

StoreRequestResult SendStoreRQ(PDU_Service& pdu, const TagList& dataset, std::string_view sopClass,
                               std::string_view fileTransferSyntax, bool convert,
                               const MoveOriginator& originator) {
  return SendStoreWith(pdu, dataset, sopClass, fileTransferSyntax, convert, std::string_view(),
                       &originator);
}

namespace {

StoreRequestResult SendStoreWith(PDU_Service& pdu, const TagList& dataset,
                                 std::string_view sopClass, std::string_view fileTransferSyntax,
                                 bool convert, std::string_view preferredTransferSyntax,
                                 const MoveOriginator* originator) {
  StoreRequestResult result;
  // Looked up as every sender does, for the trace; the choice among the accepted follows.
  const uint8_t firstID = pdu.GetPresentationContextID(sopClass);
  const std::vector<AcceptedContext> accepted =
      firstID == 0 ? std::vector<AcceptedContext>() : AcceptedContextsFor(pdu, sopClass);
  if (accepted.empty()) {
    result.Set(
        ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                              "not sent: the peer accepted no presentation context for SOP class " +
                                  std::string(sopClass)));
    return result;
  }
  const std::string_view own = UidText(fileTransferSyntax);
  const std::optional<AcceptedContext> chosen = ChooseContext(
      accepted, SendableSyntaxes(dataset, own, convert), sopClass, own, preferredTransferSyntax);
  if (!chosen) {
    result.acceptedSyntax = accepted.front().transferSyntax;
    if (!convert) {
      std::string syntaxes;
      for (const AcceptedContext& context : accepted) {
        syntaxes += (syntaxes.empty() ? "" : ", ") + context.transferSyntax;
      }
      result.Set(ServiceResult::Failed(ServiceFailure::kNoPresentationContext,
                                       "not sent: the peer accepted " + syntaxes +
                                           ", the file is " + std::string(fileTransferSyntax) +
                                           " and conversion is off"));
      return result;
    }
    // Why the conversion cannot reach the syntax of the first accepted context.
    result.conversion = CheckConversion(dataset, result.acceptedSyntax, own);
    result.Set(ServiceResult::Failed(
        ServiceFailure::kLocal, "not sent: conversion from " + std::string(fileTransferSyntax) +
                                    " to " + result.acceptedSyntax +
                                    " failed: " + std::string(Describe(result.conversion))));
    return result;
  }
  const uint8_t contextID = chosen->id;
  result.acceptedSyntax = chosen->transferSyntax;

  // Only a converted data set needs a list of its own; an unchanged one is sent from the
  // caller's list.
  TagList converted;
  const bool sameSyntax = UidText(result.acceptedSyntax) == own;
  if (!sameSyntax) {
    // The conversion needs the values a file reader left in the file.
    const bool valuesInFile = HoldsValuesInFile(dataset);
    TagList read;
    if (valuesInFile) {
      read = dataset;
      if (!ReadValuesInFile(read)) {
        result.Set(ServiceResult::Failed(ServiceFailure::kLocal,
                                         "not sent: the file cannot be read again"));
        return result;
      }
    }
    result.conversion = ConvertDataset(converted, valuesInFile ? read : dataset,
                                       result.acceptedSyntax, fileTransferSyntax);
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

  const uint16_t messageID = pdu.NextMessageID();
  const DimseCommand command = originator ? StoreRequest(sopClass, messageID, toSend, *originator)
                                          : StoreRequest(sopClass, messageID, toSend);
  result.Set(SendCommand(pdu, contextID, command, &toSend));
  return result;
}

}  // namespace

ServiceResult ReadStoreRSP(PDU_Service& pdu) {
  DimseCommand response;
  ServiceResult read = ReadResponse(pdu, kCStoreRSP, response);
  if (!read) return read;
  return FinalStatusResult(response);
}

}  // namespace norvane
