#pragma once

#include <chrono>
#include <string>

#include "net/tls_settings.hpp"

namespace norvane {

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

// Whom an SCU talks to and how long it waits for it.
struct AssociationParameters {
  std::string host;
  std::string port;
  // Empty: the default calling title (kDefaultCallingApTitle).
  std::string callingAETitle;
  std::string calledAETitle;
  NetworkTimeouts timeouts;
  // Plain TCP unless enabled.
  TlsSettings tls;
};

// A duration as an operator reads it in a reason: "30 s", "2.5 s", "250 ms".
std::string DurationText(std::chrono::milliseconds duration);

}  // namespace norvane
