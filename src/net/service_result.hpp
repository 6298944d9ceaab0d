#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace norvane {

// Where a network operation stopped. Every association and every SCU operation reports
// with a ServiceResult; the log is never the channel of a result.
enum class ServiceFailure : uint8_t {
  kNone,                   // the operation did what it was asked
  kConnection,             // no TCP connection: refused, host unknown, unreachable
  kRejected,               // the peer answered the A-ASSOCIATE-RQ with an A-ASSOCIATE-RJ
  kAborted,                // the peer sent an A-ABORT, or closed the connection
  kTimeout,                // a time limit passed while waiting for the peer
  kProtocol,               // the peer broke the protocol (malformed or unexpected PDU)
  kNoPresentationContext,  // no accepted presentation context for what was to be sent
  kNotSent,                // a request could not be encoded or sent
  kNoResponse,             // the association ended before the (final) response
  kUnexpectedResponse,     // a message came that does not answer the request
  kStatus,                 // the final response carried a status other than success
  kLocal,                  // a local problem: a file, a conversion, a bad argument
};

// The outcome of one association step or one whole SCU operation: what failed, the DIMSE
// status of the final response when one came, and the reason in words for the operator.
struct [[nodiscard]] ServiceResult {
  ServiceFailure failure = ServiceFailure::kNone;
  std::optional<uint16_t> status;  // the (final) response's status, when one was read
  std::string reason;              // empty on success

  bool Ok() const { return failure == ServiceFailure::kNone; }
  explicit operator bool() const { return Ok(); }

  // Replaces the common part of an operation's result (a struct derived from this one)
  // and leaves the operation's own fields alone.
  void Set(ServiceResult other) { *this = std::move(other); }

  static ServiceResult Success(std::optional<uint16_t> status = std::nullopt) {
    return ServiceResult{ServiceFailure::kNone, status, {}};
  }
  static ServiceResult Failed(ServiceFailure failure, std::string reason,
                              std::optional<uint16_t> status = std::nullopt) {
    return ServiceResult{failure, status, std::move(reason)};
  }
};

}  // namespace norvane
