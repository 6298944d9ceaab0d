#pragma once

// What move and get print: the remaining sub-operations while they run, the closing line
// with the counts, and the counts in the JSON document.

#include <cstdint>
#include <optional>
#include <string>

#include "cli/json_report.hpp"
#include "dimse/dimse_exchange.hpp"
#include "net/service_result.hpp"

namespace norvane::cli {

// "4 completed, 0 failed, 1 warning" ("?" for a number never reported), or "no
// sub-operation counts reported".
std::string SubOperationCounts(std::optional<uint16_t> completed, std::optional<uint16_t> failed,
                               std::optional<uint16_t> warning);

template <class Result>
std::string SubOperationCounts(const Result& result) {
  return SubOperationCounts(result.completed, result.failed, result.warning);
}

// The closing line of a retrieval that had its association: "MOVE OK: counts",
// "MOVE failed, status 0xNNNN (meaning): counts", "MOVE failed: ...".
std::string RetrievalLine(const std::string& operation, const ServiceResult& result,
                          const std::string& counts);

// "finalStatus", "finalStatusMeaning" and "subOperations" {"completed", "failed",
// "warning"} (null for a number never reported) into the report.
template <class Result>
void AddRetrievalCounts(JsonReport& report, const Result& result);

// The remaining sub-operations on one terminal line of standard error, rewritten with every
// pending response; shown only when `shown`.
class RetrievalProgress {
 public:
  explicit RetrievalProgress(bool shown) : shown_(shown) {}
  ~RetrievalProgress() { Clear(); }
  RetrievalProgress(const RetrievalProgress&) = delete;
  RetrievalProgress& operator=(const RetrievalProgress&) = delete;

  void Show(const DimseCommand& response);
  void Clear();

 private:
  bool shown_;
  bool onScreen_ = false;
};

// Whether progress goes to standard error: a terminal, and neither -q nor --json.
bool ShowProgress(bool quiet, bool json);

}  // namespace norvane::cli
