#include "net/association_reasons.hpp"

#include <span>

#include "net/pdu_layout.hpp"

namespace norvane {
namespace {

struct CodeText {
  uint8_t code;
  std::string_view text;
};

struct SourceReasonText {
  uint8_t source;
  uint8_t reason;
  std::string_view text;
};

// A-ASSOCIATE-RJ Result.
constexpr CodeText kRejectResults[] = {
    {1, "permanent"},
    {2, "transient"},
};

// A-ASSOCIATE-RJ Source.
constexpr CodeText kRejectSources[] = {
    {1, "the service user"},
    {2, "the service provider (ACSE)"},
    {3, "the service provider (presentation)"},
};

// A-ASSOCIATE-RJ Reason/Diag., by source.
constexpr SourceReasonText kRejectReasons[] = {
    {1, 1, "no reason given"},
    {1, 2, "application context name not supported"},
    {1, 3, "calling AE title not recognized"},
    {1, 7, "called AE title not recognized"},
    {2, 1, "no reason given"},
    {2, 2, "protocol version not supported"},
    {3, 1, "temporary congestion"},
    {3, 2, "local limit exceeded"},
};

// A-ABORT Source.
constexpr CodeText kAbortSources[] = {
    {kAbortSourceServiceUser, "the service user"},
    {kAbortSourceServiceProvider, "the service provider"},
};

// A-ABORT Reason/Diag. of a service-provider abort.
constexpr CodeText kAbortReasons[] = {
    {kAbortReasonNotSpecified, "reason not specified"},
    {kAbortReasonUnrecognizedPdu, "unrecognized PDU"},
    {kAbortReasonUnexpectedPdu, "unexpected PDU"},
    {4, "unrecognized PDU parameter"},
    {5, "unexpected PDU parameter"},
    {kAbortReasonInvalidPduParameter, "invalid PDU parameter value"},
};

std::string Lookup(std::span<const CodeText> table, uint8_t code, std::string_view what,
                   std::string_view unknown) {
  for (const CodeText& row : table) {
    if (row.code == code) return std::string(row.text);
  }
  return std::string(what) + " " + std::to_string(code) + " (" + std::string(unknown) + ")";
}

}  // namespace

std::string RejectResultText(uint8_t result) {
  return Lookup(kRejectResults, result, "result", "not defined");
}

std::string RejectSourceText(uint8_t source) {
  return Lookup(kRejectSources, source, "source", "not defined");
}

std::string RejectReasonText(uint8_t source, uint8_t reason) {
  for (const SourceReasonText& row : kRejectReasons) {
    if (row.source == source && row.reason == reason) return std::string(row.text);
  }
  return "reason " + std::to_string(reason) + " (reserved)";
}

std::string RejectionText(uint8_t result, uint8_t source, uint8_t reason) {
  return "association rejected (" + RejectResultText(result) + ") by " + RejectSourceText(source) +
         ": " + RejectReasonText(source, reason);
}

std::string AbortSourceText(uint8_t source) {
  return Lookup(kAbortSources, source, "source", "reserved");
}

std::string AbortReasonText(uint8_t source, uint8_t reason) {
  if (source != kAbortSourceServiceProvider) return {};
  return Lookup(kAbortReasons, reason, "reason", "reserved");
}

std::string AbortText(uint8_t source, uint8_t reason) {
  const std::string why = AbortReasonText(source, reason);
  return "the peer aborted the association (" + AbortSourceText(source) +
         (why.empty() ? "" : ": " + why) + ")";
}

}  // namespace norvane
