#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "net/tls_settings.hpp"

namespace norvane {

class PDU_Service;

// How long an association waits for its peer. A zero duration sets no limit of its own
// (a TCP connect then takes as long as the system lets it).
struct NetworkTimeouts {
  // Opening the TCP connection.
  std::chrono::milliseconds connect{std::chrono::seconds(30)};
  // The answer to the A-ASSOCIATE-RQ and to the A-RELEASE-RQ.
  std::chrono::milliseconds acse{std::chrono::seconds(30)};
  // Each DIMSE message awaited from the peer, as a whole; also how long a send may wait
  // for the peer to take data.
  std::chrono::milliseconds dimse{std::chrono::seconds(300)};
};

// The largest data set taken from a peer by default: 4 GiB, the most one value's length can
// say.
inline constexpr uint64_t kDefaultMaxObjectSize = uint64_t{4} * 1024 * 1024 * 1024;

// Whom an SCU talks to, how long it waits for it and how much it takes from it.
struct AssociationParameters {
  std::string host;
  std::string port;
  // Empty: the default calling title (kDefaultCallingApTitle).
  std::string callingAETitle;
  std::string calledAETitle;
  NetworkTimeouts timeouts;
  // The longest data set taken from the peer (PDU_Service::SetMessageLimit).
  uint64_t maxObjectSize = kDefaultMaxObjectSize;
  // Plain TCP unless enabled.
  TlsSettings tls;
  // Told of each association opened with these parameters once the peer has accepted it,
  // so that a caller learns what was agreed without holding the association itself.
  std::function<void(const PDU_Service&)> accepted;
};

// A duration as an operator reads it in a reason: "30 s", "2.5 s", "250 ms".
std::string DurationText(std::chrono::milliseconds duration);

}  // namespace norvane
