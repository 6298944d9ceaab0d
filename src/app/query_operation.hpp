#pragma once

// What the FIND and WORKLIST operations of the test application share: where their lines
// go and how a run ended.

#include <cstddef>
#include <functional>
#include <string>

#include "dimse/find_scu.hpp"

namespace norvane {

// Receives each output line of an operation, without a line end.
using LineSink = std::function<void(const std::string& line)>;

// How the run went (the query's result), and how many records it wrote.
struct [[nodiscard]] QueryOperationResult : FindResult {
  size_t records = 0;
};

// The line written when the association cannot be opened.
inline constexpr const char* kAssociationFailedLine = "Association Failed!";

}  // namespace norvane
