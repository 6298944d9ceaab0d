#pragma once

// What the fields of an A-ASSOCIATE-RJ (result, source, reason) and of an A-ABORT (source,
// reason) mean, in words, as the upper layer protocol defines them.

#include <cstdint>
#include <string>
#include <string_view>

namespace norvane {

// "permanent", "transient"; "result N (not defined)" for other values.
std::string RejectResultText(uint8_t result);
// "the service user", "the service provider (ACSE)", "the service provider (presentation)".
std::string RejectSourceText(uint8_t source);
// The reason as the source gives it: "called AE title not recognized", "temporary
// congestion", ...; "reason N (reserved)" for values the source does not define.
std::string RejectReasonText(uint8_t source, uint8_t reason);
// One line: "association rejected (permanent) by the service user: called AE title not
// recognized".
std::string RejectionText(uint8_t result, uint8_t source, uint8_t reason);

// "the service user", "the service provider"; "source N (reserved)" otherwise.
std::string AbortSourceText(uint8_t source);
// Only a service-provider abort carries a reason: "unexpected PDU", "invalid PDU parameter
// value", ...; empty for a service-user abort.
std::string AbortReasonText(uint8_t source, uint8_t reason);
// One line: "the peer aborted the association (the service provider: unexpected PDU)".
std::string AbortText(uint8_t source, uint8_t reason);

}  // namespace norvane
