#pragma once

#include "net/association_parameters.hpp"

namespace norvane::api {

// The time-outs C callers set for every network function of the process (SetTimeouts).
NetworkTimeouts CurrentTimeouts();

}  // namespace norvane::api
