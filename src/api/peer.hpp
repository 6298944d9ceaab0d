#pragma once

// The peer of a network call as a C caller names it.

#include <string>

#include "api/network_timeouts.hpp"

namespace norvane::api {

struct Peer {
  std::string host;
  std::string port;
  std::string callingApTitle;
  std::string calledApTitle;
  CallerTimeouts timeouts;
};

// The caller's texts and the process's time-outs. A calling title buffer that holds the
// empty text receives the default title "KAVORN          " (the buffer holds at least 17
// bytes), and that title is used; a null buffer also stands for the default title.
Peer PeerOf(const char* host, const char* port, char* callingApTitle, const char* calledApTitle);

}  // namespace norvane::api
