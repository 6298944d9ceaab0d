#pragma once

// A DIMSE response as a requester reads it: decoded once from the received command set,
// whatever the service.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "elements/tag_record.hpp"
#include "net/command_set.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

struct DimseResponse {
  uint16_t commandField = 0;  // 0 when absent: no DIMSE command has that field
  uint16_t messageIDBeingRespondedTo = 0;
  uint16_t status = kStatusSuccess;  // an absent Status reads as success
  bool hasStatus = false;            // the command carried a Status
  // Command Data Set Type other than 0x0101: a data set follows (also when the type is
  // absent, as it then reads as 0).
  bool dataSetFollows = false;
  // Numbers of Remaining, Completed, Failed and Warning Sub-operations (C-MOVE), when given.
  std::optional<uint16_t> remaining;
  std::optional<uint16_t> completed;
  std::optional<uint16_t> failed;
  std::optional<uint16_t> warning;
  // Affected SOP Class and Instance UID texts (up to a NUL pad), when given.
  std::optional<std::string> affectedSOPClassUID;
  std::optional<std::string> affectedSOPInstanceUID;
};

// Decodes the command set of a response. A number is taken only when its element holds
// two bytes; anything else reads as absent.
DimseResponse ParseDimseResponse(const TagList& command);

// Reads the next message as the response of kind `expectedCommandField` into `response`.
// Failure kNoResponse when no message could be read (the association ended),
// kUnexpectedResponse when another command came. On success the result carries the
// response's status; judging it is the service's part. A data set the response announces
// is left to the caller.
ServiceResult ReadDimseResponse(PDU_Service& pdu, uint16_t expectedCommandField,
                                DimseResponse& response);

// A status as the usual four hex digits: "0xA700".
std::string StatusText(uint16_t status);

// The result a final status gives: success for 0x0000, else kStatus with the status and
// the reason "C-STORE-RSP status 0xA700", followed by " (meaning)" when one is given.
ServiceResult FinalStatusResult(const DimseResponse& response, std::string_view meaning = {});

}  // namespace norvane
