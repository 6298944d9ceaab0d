// MPPS and storage commitment as one call each, with the files named in a list.

#include <cstring>
#include <string>
#include <vector>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/peer.hpp"
#include "api/query_records.hpp"
#include "dimse/mpps_scu.hpp"
#include "dimse/storage_commitment_scu.hpp"
#include "scp/commitment_listener.hpp"

using norvane::api::Byte;
using norvane::api::Fail;
using norvane::api::Guarded;
using norvane::api::PeerOf;
using norvane::api::Succeeded;
using norvane::api::Text;

namespace {

constexpr size_t kUIDBufferSize = 65;
constexpr int32_t kDefaultCommitSeconds = 60;

std::vector<std::string> FileNames(const TList* list) {
  std::vector<std::string> names;
  if (list == nullptr) return names;
  for (const void* entry : list->entries) {
    if (entry != nullptr) names.emplace_back(static_cast<const char*>(entry));
  }
  return names;
}

// The headers of the files; the reason becomes the last error text when one cannot be read.
std::optional<std::vector<norvane::InstanceHeader>> Headers(const TList* fileNames) {
  norvane::InstanceHeadersResult read = norvane::ReadInstanceHeaders(FileNames(fileNames));
  if (!Succeeded(read)) return std::nullopt;
  return std::move(read.headers);
}

}  // namespace

extern "C" {

uint8_t MPPSCreateSCU(const char* host, const char* port, char* callingApTitle,
                      const char* calledApTitle, TList* worklistItem, char* instanceUID) {
  const TWorklistItem* item = norvane::api::QueryRecord<TWorklistItem>(worklistItem);
  if (item == nullptr) return Fail<uint8_t>(0, "the list holds no worklist item at index 0");
  if (instanceUID == nullptr) return Fail<uint8_t>(0, "no instance UID buffer (NULL)");
  if (std::strlen(instanceUID) >= kUIDBufferSize) {
    return Fail<uint8_t>(0, "the instance UID is longer than 64 characters");
  }
  return Guarded<uint8_t>(0, [&] {
    const norvane::AssociationParameters peer = PeerOf(host, port, callingApTitle, calledApTitle);
    norvane::PerformedStepStart step;
    step.stationAETitle = peer.callingAETitle;
    const norvane::MppsResult created = norvane::CreateMppsSCU(
        peer, norvane::MppsInProgressDataset(*item, step), Text(instanceUID));
    if (!Succeeded(created)) return Byte(false);
    if (created.instanceUID.size() >= kUIDBufferSize) {
      return Fail<uint8_t>(0, "the SCP chose a UID longer than 64 characters");
    }
    std::memcpy(instanceUID, created.instanceUID.c_str(), created.instanceUID.size() + 1);
    return Byte(true);
  });
}

uint8_t MPPSSetSCU(const char* host, const char* port, char* callingApTitle,
                   const char* calledApTitle, const char* instanceUID, const char* status,
                   TList* fileNames) {
  if (Text(instanceUID).empty()) return Fail<uint8_t>(0, "no instance UID");
  const std::string_view state = Text(status);
  if (state != norvane::kStepCompleted && state != norvane::kStepDiscontinued &&
      state != norvane::kStepInProgress) {
    return Fail<uint8_t>(0, "the status is none of COMPLETED, DISCONTINUED, IN PROGRESS");
  }
  return Guarded<uint8_t>(0, [&] {
    const norvane::AssociationParameters peer = PeerOf(host, port, callingApTitle, calledApTitle);
    const auto headers = Headers(fileNames);
    if (!headers) return Byte(false);
    const norvane::TagList dataset = norvane::MppsFinalDataset(
        state, norvane::DicomNow(), norvane::PerformedSeriesOf(*headers, peer.calledAETitle));
    return Byte(Succeeded(norvane::SetMppsSCU(peer, Text(instanceUID), dataset)));
  });
}

int32_t StorageCommitmentSCU(const char* host, const char* port, char* callingApTitle,
                             const char* calledApTitle, TList* fileNames, int32_t timeoutSeconds,
                             int32_t listenPort) {
  if (listenPort > 65535) return Fail<int32_t>(-1, "the listen port is above 65535");
  return Guarded<int32_t>(-1, [&] {
    const norvane::AssociationParameters peer = PeerOf(host, port, callingApTitle, calledApTitle);
    const auto headers = Headers(fileNames);
    if (!headers) return int32_t{-1};
    if (headers->empty()) return Fail<int32_t>(-1, "no file names in the list");
    std::vector<norvane::InstanceReference> refs;
    for (const norvane::InstanceHeader& header : *headers)
      refs.push_back(header.reference);
    norvane::CommitListener listener;
    if (listenPort > 0) {
      const std::string problem = listener.Start(std::to_string(listenPort), peer.callingAETitle);
      if (!problem.empty()) return Fail<int32_t>(-1, problem);
    }
    const norvane::CommitResult result = norvane::CommitSCU(
        peer, refs,
        std::chrono::seconds(timeoutSeconds > 0 ? timeoutSeconds : kDefaultCommitSeconds),
        listenPort > 0 ? listener.Elsewhere() : norvane::ReportElsewhere{});
    if (!Succeeded(result)) return int32_t{-1};
    // Instances the report does not name are not committed either.
    size_t committed = 0;
    for (const norvane::InstanceReference& ref : refs) {
      for (const norvane::InstanceReference& done : result.report->committed) {
        if (done.sopInstance == ref.sopInstance) {
          ++committed;
          break;
        }
      }
    }
    const int32_t notCommitted = static_cast<int32_t>(refs.size() - committed);
    if (notCommitted > 0) {
      std::string reason = std::to_string(notCommitted) + " of " + std::to_string(refs.size()) +
                           " instances not committed";
      for (const norvane::FailedInstance& failed : result.report->failed) {
        reason +=
            "; " + failed.reference.sopInstance + ": " + norvane::FailureReasonText(failed.reason);
      }
      norvane::api::SetLastError(reason);
    }
    return notCommitted;
  });
}

}  // extern "C"
