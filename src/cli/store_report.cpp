#include "cli/store_report.hpp"

#include <unistd.h>

#include <cstdio>

namespace norvane::cli {

std::string FileReportLine(const std::string& file, const StoreResult& result, const Peer& peer) {
  if (!result.associated && !result.Ok() && result.failure != ServiceFailure::kLocal) {
    return file + ": failed, no association with " + peer.calledAET + " (" + peer.host + ":" +
           peer.port + "): " + result.reason;
  }
  return file + ": " + DescribeStoreResult(result);
}

std::string SummaryLine(const std::string& operation, size_t notStored, size_t total) {
  if (notStored == 0 && total > 0) return operation + " OK";
  return operation + " failed: " + std::to_string(notStored) + " of " + std::to_string(total) +
         (total == 1 ? " file" : " files") + " not stored";
}

ProgressCounter::ProgressCounter(size_t total)
    : total_(total), shown_(total > 1 && ::isatty(STDERR_FILENO) == 1) {}

ProgressCounter::~ProgressCounter() {
  Clear();
}

void ProgressCounter::Clear() {
  if (!counterOnScreen_) return;
  // Back to the start of the line and erase it, so the next report line stands alone.
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  counterOnScreen_ = false;
}

void ProgressCounter::Report(const std::string& line, size_t done) {
  Clear();
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  if (!shown_) return;
  std::fprintf(stderr, "%zu/%zu", done, total_);
  std::fflush(stderr);
  counterOnScreen_ = true;
}

}  // namespace norvane::cli
