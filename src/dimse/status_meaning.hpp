#pragma once

// What a DIMSE status means: the general statuses every service shares and the statuses
// the Storage, Query/Retrieve (FIND and MOVE, the modality worklist included) and Print
// Management services define, warnings and pending ones included.

#include <cstdint>
#include <string>
#include <string_view>

namespace norvane {

enum class StatusCategory : uint8_t { kSuccess, kPending, kCancel, kWarning, kFailure };

// The statuses a response is read against: its service's own, then the general ones.
enum class StatusService : uint8_t {
  kGeneral,   // verification, and commands without service-specific statuses
  kStorage,   // C-STORE
  kQuery,     // C-FIND
  kRetrieve,  // C-MOVE and C-GET
  kPrint,     // the N-services of print management
};

struct StatusMeaning {
  StatusCategory category;
  // "Refused: Out of Resources", "Warning: Coercion of Data Elements", "Pending: Matches
  // are continuing", ...
  std::string_view text;
};

// The service whose statuses a command (request or response) uses.
StatusService ServiceOfCommand(uint16_t commandField);

// The meaning of a status for the service. A status the service does not define is
// described by its class: "Warning (not defined for this service)", "Failure (not defined
// for this service)".
StatusMeaning MeaningOfStatus(StatusService service, uint16_t status);

// "C-STORE-RSP status 0xA700 (Refused: Out of Resources)".
std::string StatusReason(uint16_t commandField, uint16_t status);

}  // namespace norvane
