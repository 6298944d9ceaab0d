#include "cli/store_report.hpp"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "cli/operation_report.hpp"
#include "dictionary/uid_names.hpp"
#include "dimse/status_meaning.hpp"

namespace norvane::cli {
namespace {

Json TextOrNull(const std::string& text) {
  return text.empty() ? Json(nullptr) : Json(text);
}

}  // namespace

std::string FileReportLine(const std::string& file, const StoreResult& result, const Peer& peer) {
  if (!result.associated && !result.Ok() && result.failure != ServiceFailure::kLocal) {
    return file + ": failed, no association with " + peer.calledAET + " (" + peer.host + ":" +
           peer.port + "): " + NameUIDsInText(result.reason);
  }
  return file + ": " + NameUIDsInText(DescribeStoreResult(result));
}

void ReportFileFailure(std::string_view subcommand, const std::string& file,
                       const StoreResult& result) {
  if (!result.Ok()) ReportReason(subcommand, file + ": " + result.reason);
}

std::string SummaryLine(const std::string& operation, size_t notStored, size_t total) {
  if (notStored == 0 && total > 0) return operation + " OK";
  return operation + " failed: " + std::to_string(notStored) + " of " + std::to_string(total) +
         (total == 1 ? " file" : " files") + " not stored";
}

TransferReport::TransferReport(Invocation& run, const Peer& peer, bool quiet)
    : run_(run),
      peer_(peer),
      quiet_(quiet),
      start_(std::chrono::steady_clock::now()),
      last_(start_) {}

TransferReport::~TransferReport() {
  ClearCounter();
}

void TransferReport::SetTotal(size_t total) {
  total_ = total;
  counter_ = total > 1 && !quiet_ && !run_.Json() && ::isatty(STDERR_FILENO) == 1;
}

void TransferReport::ClearCounter() {
  if (!counterOnScreen_) return;
  // Back to the start of the line and erase it, so the next report line stands alone.
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  counterOnScreen_ = false;
}

void TransferReport::Line(const std::string& line) {
  ClearCounter();
  run_.Out(line);
  std::fflush(stdout);
}

void TransferReport::Add(const std::string& file, const StoreResult& result) {
  const auto now = std::chrono::steady_clock::now();
  std::error_code ignored;
  const uintmax_t size = std::filesystem::file_size(file, ignored);
  const uint64_t bytes = size == static_cast<uintmax_t>(-1) ? 0 : size;
  if (result.Ok()) {
    ++stored_;
    storedBytes_ += bytes;
  } else {
    ++notStored_;
  }
  ++done_;

  if (!result.Ok() || !quiet_) Line(FileReportLine(file, result, peer_));
  ReportFileFailure(run_.Name(), file, result);
  if (counter_) {
    std::fprintf(stderr, "%zu/%zu", done_, total_);
    std::fflush(stderr);
    counterOnScreen_ = true;
  }

  Json object = Json::object();
  object["path"] = file;
  object["sopClassUID"] = TextOrNull(result.sopClass);
  object["status"] = result.status ? Json(*result.status) : Json(nullptr);
  object["statusMeaning"] =
      result.status ? Json(MeaningOfStatus(StatusService::kStorage, *result.status).text)
                    : Json(nullptr);
  object["transferSyntax"] = TextOrNull(result.acceptedSyntax);
  object["fileTransferSyntax"] = TextOrNull(result.fileSyntax);
  object["converted"] = result.converted;
  object["bytes"] = bytes;
  object["ms"] = std::chrono::duration_cast<std::chrono::milliseconds>(now - last_).count();
  object["reason"] = result.Ok() ? Json(nullptr) : Json(NameUIDsInText(result.reason));
  objects_.push_back(std::move(object));
  last_ = now;
}

std::chrono::milliseconds TransferReport::Elapsed() const {
  return Since(start_);
}

void TransferReport::Finish(size_t files) {
  ClearCounter();
  run_.Report()["objects"] = std::move(objects_);
  run_.Report()["totals"] = {{"files", files},
                             {"stored", stored_},
                             {"failed", files - stored_},
                             {"bytes", storedBytes_},
                             {"ms", Since(start_).count()}};
}

}  // namespace norvane::cli
