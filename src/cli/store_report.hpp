#pragma once

// What store and send-series print: one line per file on standard output, and while many
// files go out, a "n/total" counter on standard error when that is a terminal; with --json
// one entry per file and the totals.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/invocation.hpp"
#include "cli/options.hpp"
#include "dimse/store_result.hpp"

namespace norvane::cli {

// "FILE: stored (0x0000)", "FILE: failed, status 0xA700", ...; a failed association names
// the peer: "FILE: failed, no association with AEC (HOST:PORT): reason". UIDs the
// dictionary knows are followed by their names.
std::string FileReportLine(const std::string& file, const StoreResult& result, const Peer& peer);

// Why a file was not stored, on standard error and in the log: "norvane SUBCOMMAND: FILE:
// reason". Nothing for a stored file.
void ReportFileFailure(std::string_view subcommand, const std::string& file,
                       const StoreResult& result);

// The closing line of an operation: "STORE OK", or "STORE failed: 2 of 5 files not stored".
std::string SummaryLine(const std::string& operation, size_t notStored, size_t total);

// The files' lines, their JSON entries and their totals, as the results come in.
class TransferReport {
 public:
  // The counter is shown for more than one file, when standard error is a terminal, and
  // neither with -q nor with --json; -q also leaves out the lines of stored files.
  TransferReport(Invocation& run, const Peer& peer, bool quiet);
  ~TransferReport();
  TransferReport(const TransferReport&) = delete;
  TransferReport& operator=(const TransferReport&) = delete;

  // The counter's total, once it is known.
  void SetTotal(size_t total);

  // One file's result: its line and its failure reason, its JSON entry, the counter.
  void Add(const std::string& file, const StoreResult& result);

  // A line of its own (clearing the counter first).
  void Line(const std::string& line);

  size_t NotStored() const { return notStored_; }
  uint64_t StoredBytes() const { return storedBytes_; }
  std::chrono::milliseconds Elapsed() const;

  // The JSON "objects" and "totals" for `files` files (those without a result were not
  // stored).
  void Finish(size_t files);

 private:
  void ClearCounter();

  Invocation& run_;
  const Peer& peer_;
  bool quiet_;
  bool counter_ = false;
  bool counterOnScreen_ = false;
  size_t total_ = 0;
  size_t done_ = 0;
  size_t notStored_ = 0;
  size_t stored_ = 0;
  uint64_t storedBytes_ = 0;
  Json objects_ = Json::array();
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace norvane::cli
