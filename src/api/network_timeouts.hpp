#pragma once

#include <chrono>

namespace norvane::api {

// The time-outs C callers set for every network function of the process (SetTimeouts).
struct CallerTimeouts {
  std::chrono::seconds connect{30};  // TCP connect
  std::chrono::seconds acse{30};     // association negotiation
  std::chrono::seconds dimse{300};   // each DIMSE response
};

CallerTimeouts CurrentTimeouts();

}  // namespace norvane::api
