#pragma once

// What a load run measures: each operation's end, latency, bytes and failure, gathered from
// many threads, and the figures the run reports from them.

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "cli/json_report.hpp"

namespace norvane::cli {

// One second of the run: the operations that ended in it.
struct LoadSecond {
  size_t operations = 0;
  size_t failed = 0;
  uint64_t bytes = 0;
};

struct LoadSummary {
  size_t operations = 0;
  size_t failed = 0;
  uint64_t bytes = 0;  // of the operations that succeeded
  double seconds = 0;
  double operationsPerSecond = 0;  // of the operations that succeeded
  double megabytesPerSecond = 0;   // 10^6 bytes of the objects stored
  // Latency of one operation in milliseconds, by nearest rank over every operation.
  double p50 = 0, p95 = 0, p99 = 0, max = 0;
  std::map<std::string, size_t> failures;  // by status or reason
  std::vector<LoadSecond> timeline;        // second 0 first
};

class LoadStatistics {
 public:
  using Clock = std::chrono::steady_clock;
  explicit LoadStatistics(Clock::time_point start) : start_(start) {}

  // One operation that ended at `end`; `failure` is empty for a success. Any thread.
  void Add(Clock::time_point end, Clock::duration latency, uint64_t bytes,
           const std::string& failure);
  LoadSummary Summarize(Clock::time_point end) const;

 private:
  Clock::time_point start_;
  mutable std::mutex mutex_;
  std::vector<double> latencies_;  // milliseconds
  std::vector<LoadSecond> timeline_;
  std::map<std::string, size_t> failures_;
  size_t failed_ = 0;
  uint64_t bytes_ = 0;
};

// The report as text lines: totals, throughput, latency, failures, then (with `timeline`)
// one line per second. Megabytes are said only with `stored` (C-STORE): echoes and
// queries move no objects.
std::vector<std::string> LoadLines(const LoadSummary& summary, const char* unit, bool stored,
                                   bool timeline);
// The same figures as the JSON fields of docs/json.md.
Json LoadJson(const LoadSummary& summary);

}  // namespace norvane::cli
