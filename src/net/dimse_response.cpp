#include "net/dimse_response.hpp"

#include <cstdio>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

std::optional<uint16_t> Number(const TagList& command, Tag tag) {
  const TagRecord* record = FindTag(command, tag);
  if (record == nullptr || ValueBytes(*record).size() < 2) return std::nullopt;
  return GetTagUS(command, tag);
}

std::optional<std::string> UID(const TagList& command, Tag tag) {
  const TagRecord* record = FindTag(command, tag);
  if (record == nullptr) return std::nullopt;
  return std::string(UIDText(*record));
}

// "a C-STORE-RSP", "an N-CREATE-RSP".
std::string WithArticle(uint16_t commandField) {
  const std::string name = CommandFieldName(commandField);
  return (name.front() == 'N' ? "an " : "a ") + name;
}

}  // namespace

DimseResponse ParseDimseResponse(const TagList& command) {
  DimseResponse response;
  response.commandField = Number(command, tag::kCommandField).value_or(0);
  response.messageIDBeingRespondedTo = Number(command, tag::kMessageIDBeingRespondedTo).value_or(0);
  const std::optional<uint16_t> status = Number(command, tag::kStatus);
  response.hasStatus = status.has_value();
  response.status = status.value_or(kStatusSuccess);
  response.dataSetFollows = Number(command, tag::kCommandDataSetType).value_or(0) != kNoDataSet;
  response.remaining = Number(command, tag::kNumberOfRemainingSuboperations);
  response.completed = Number(command, tag::kNumberOfCompletedSuboperations);
  response.failed = Number(command, tag::kNumberOfFailedSuboperations);
  response.warning = Number(command, tag::kNumberOfWarningSuboperations);
  response.affectedSOPClassUID = UID(command, tag::kAffectedSOPClassUID);
  response.affectedSOPInstanceUID = UID(command, tag::kAffectedSOPInstanceUID);
  return response;
}

ServiceResult ReadDimseResponse(PDU_Service& pdu, uint16_t expectedCommandField,
                                DimseResponse& response) {
  TagList command;
  if (!pdu.ReadMessage(command)) {
    return ServiceResult::Failed(
        ServiceFailure::kNoResponse,
        "the association ended without a " + CommandFieldName(expectedCommandField));
  }
  response = ParseDimseResponse(command);
  if (response.commandField != expectedCommandField) {
    return ServiceResult::Failed(ServiceFailure::kUnexpectedResponse,
                                 "the peer answered with " + WithArticle(response.commandField) +
                                     ", not " + WithArticle(expectedCommandField));
  }
  return ServiceResult::Success(response.status);
}

std::string StatusText(uint16_t status) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(status));
  return text;
}

ServiceResult FinalStatusResult(const DimseResponse& response, std::string_view meaning) {
  if (response.status == kStatusSuccess) return ServiceResult::Success(response.status);
  std::string reason =
      CommandFieldName(response.commandField) + " status " + StatusText(response.status);
  if (!meaning.empty()) reason += " (" + std::string(meaning) + ")";
  return ServiceResult::Failed(ServiceFailure::kStatus, std::move(reason), response.status);
}

}  // namespace norvane
