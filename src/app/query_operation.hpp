#pragma once

// What the FIND and WORKLIST operations of the test application share: where their lines
// go and how a run ended.

#include <cstddef>
#include <functional>
#include <string>

namespace norvane {

// Receives each output line of an operation, without a line end.
using LineSink = std::function<void(const std::string& line)>;

struct QueryOperationResult {
  bool associated = false;  // the association was opened
  bool sent = false;        // the request went out
  // The last response result: 1 before any response, then the last status read, or -1
  // when a response could not be read.
  int lastStatus = 1;
  size_t records = 0;  // records written out

  // The query ended with a final status 0x0000.
  bool Succeeded() const { return lastStatus == 0; }
};

// The line written when the association cannot be opened.
inline constexpr const char* kAssociationFailedLine = "Association Failed!";

}  // namespace norvane
