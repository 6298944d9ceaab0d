#include "cli/load_statistics.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace norvane::cli {
namespace {

// The nearest-rank percentile of sorted values.
double Percentile(const std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0;
  const auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace

void LoadStatistics::Add(Clock::time_point end, Clock::duration latency, uint64_t bytes,
                         const std::string& failure) {
  const auto second = static_cast<size_t>(std::max<Clock::rep>(
      0, std::chrono::duration_cast<std::chrono::seconds>(end - start_).count()));
  const std::lock_guard lock(mutex_);
  latencies_.push_back(std::chrono::duration<double, std::milli>(latency).count());
  if (timeline_.size() <= second) timeline_.resize(second + 1);
  LoadSecond& slot = timeline_[second];
  ++slot.operations;
  if (failure.empty()) {
    slot.bytes += bytes;
    bytes_ += bytes;
  } else {
    ++slot.failed;
    ++failed_;
    ++failures_[failure];
  }
}

LoadSummary LoadStatistics::Summarize(Clock::time_point end) const {
  const std::lock_guard lock(mutex_);
  LoadSummary summary;
  summary.operations = latencies_.size();
  summary.failed = failed_;
  summary.bytes = bytes_;
  summary.seconds = std::chrono::duration<double>(end - start_).count();
  if (summary.seconds > 0) {
    summary.operationsPerSecond =
        static_cast<double>(summary.operations - summary.failed) / summary.seconds;
    summary.megabytesPerSecond = static_cast<double>(bytes_) / 1e6 / summary.seconds;
  }
  std::vector<double> sorted = latencies_;
  std::sort(sorted.begin(), sorted.end());
  summary.p50 = Percentile(sorted, 0.50);
  summary.p95 = Percentile(sorted, 0.95);
  summary.p99 = Percentile(sorted, 0.99);
  summary.max = sorted.empty() ? 0 : sorted.back();
  summary.failures = failures_;
  summary.timeline = timeline_;
  return summary;
}

std::vector<std::string> LoadLines(const LoadSummary& s, const char* unit, bool stored,
                                   bool timeline) {
  std::vector<std::string> lines;
  lines.push_back(std::to_string(s.operations) + " " + unit + " in " + Fixed(s.seconds, 3) +
                  " s, " + std::to_string(s.failed) + " failed");
  lines.push_back("throughput: " + Fixed(s.operationsPerSecond, 1) + " " + unit + "/s" +
                  (stored ? ", " + Fixed(s.megabytesPerSecond, 2) + " MB/s" : std::string()));
  lines.push_back("latency ms: p50 " + Fixed(s.p50, 2) + ", p95 " + Fixed(s.p95, 2) + ", p99 " +
                  Fixed(s.p99, 2) + ", max " + Fixed(s.max, 2));
  for (const auto& [failure, count] : s.failures)
    lines.push_back("failed " + std::to_string(count) + "x: " + failure);
  for (size_t second = 0; timeline && second < s.timeline.size(); ++second) {
    const LoadSecond& slot = s.timeline[second];
    lines.push_back(
        "second " + std::to_string(second) + ": " + std::to_string(slot.operations) + " " + unit +
        ", " + std::to_string(slot.failed) + " failed" +
        (stored ? ", " + Fixed(static_cast<double>(slot.bytes) / 1e6, 2) + " MB" : std::string()));
  }
  return lines;
}

Json LoadJson(const LoadSummary& s) {
  Json load;
  load["operations"] = s.operations;
  load["failed"] = s.failed;
  load["bytes"] = s.bytes;
  load["seconds"] = s.seconds;
  load["operationsPerSecond"] = s.operationsPerSecond;
  load["megabytesPerSecond"] = s.megabytesPerSecond;
  load["latencyMs"] = {{"p50", s.p50}, {"p95", s.p95}, {"p99", s.p99}, {"max", s.max}};
  Json failures = Json::array();
  for (const auto& [failure, count] : s.failures)
    failures.push_back({{"reason", failure}, {"count", count}});
  load["failures"] = std::move(failures);
  Json timeline = Json::array();
  for (size_t second = 0; second < s.timeline.size(); ++second) {
    const LoadSecond& slot = s.timeline[second];
    timeline.push_back({{"second", second},
                        {"operations", slot.operations},
                        {"failed", slot.failed},
                        {"bytes", slot.bytes}});
  }
  load["timeline"] = std::move(timeline);
  return load;
}

}  // namespace norvane::cli
