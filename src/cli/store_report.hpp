#pragma once

// What store and send-series print: one line per file on standard output, and while many
// files go out, a "n/total" counter on standard error when that is a terminal.

#include <cstddef>
#include <string>

#include "cli/options.hpp"
#include "dimse/store_result.hpp"

namespace norvane::cli {

// "FILE: stored (0x0000)", "FILE: failed, status 0xA700", ...; a failed association names
// the peer: "FILE: failed, no association with AEC (HOST:PORT): reason".
std::string FileReportLine(const std::string& file, const StoreResult& result, const Peer& peer);

// The closing line of an operation: "STORE OK", or "STORE failed: 2 of 5 files not stored".
std::string SummaryLine(const std::string& operation, size_t notStored, size_t total);

class ProgressCounter {
 public:
  // Shown only for more than one file and when standard error is a terminal.
  explicit ProgressCounter(size_t total);
  ~ProgressCounter();
  ProgressCounter(const ProgressCounter&) = delete;
  ProgressCounter& operator=(const ProgressCounter&) = delete;

  // Prints a file's report line (clearing the counter first) and then the counter for
  // `done` files.
  void Report(const std::string& line, size_t done);

 private:
  void Clear();

  size_t total_;
  bool shown_;
  bool counterOnScreen_ = false;
};

}  // namespace norvane::cli
