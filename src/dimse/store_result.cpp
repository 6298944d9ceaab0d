#include "dimse/store_result.hpp"

#include "dimse/dimse_exchange.hpp"

namespace norvane {
namespace {

// Warning statuses of the Storage service: the object was stored, but not as sent.
bool IsWarningStatus(uint16_t status) {
  return (status & 0xF000) == 0xB000;
}

}  // namespace

std::string DescribeStoreResult(const StoreResult& r) {
  if (r.Ok()) {
    if (r.converted) {
      return "stored (0x0000), converted from " + r.fileSyntax + " to " + r.acceptedSyntax;
    }
    return "stored (0x0000)";
  }
  if (r.failure == ServiceFailure::kStatus && r.status) {
    return "failed, status " + StatusText(*r.status) +
           (IsWarningStatus(*r.status) ? " (a warning; only 0x0000 counts as stored)" : "");
  }
  // The association's own failures need saying that nothing could be sent at all.
  if (!r.associated && r.failure != ServiceFailure::kLocal)
    return "failed, no association: " + r.reason;
  return "failed, " + r.reason;
}

}  // namespace norvane
