// norvane get [HOST PORT]: a Study Root C-GET of what the keys match, the objects stored
// in a folder database as norvane scp stores them.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/query_operation.hpp"
#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/query_keys.hpp"
#include "cli/retrieve_report.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/get_scu.hpp"
#include "dimse/query_fields.hpp"
#include "dimse/status_meaning.hpp"
#include "log/log.hpp"
#include "platform/folders.hpp"
#include "scp/incoming_file.hpp"
#include "scp/store_thread.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "GET";
constexpr const char* kDefaultFolder = "./Database";

void PrintHelp() {
  std::printf(
      "usage: norvane get [HOST PORT] [--level STUDY|SERIES|IMAGE] [-k FIELD=VALUE]...\n"
      "                   [--folder DIR] [options]\n\n"
      "Retrieves with C-GET (Study Root Query/Retrieve information model, implicit VR\n"
      "little endian) what the keys match. The archive sends the objects back on the same\n"
      "association with C-STORE: norvane proposes the storage SOP classes of radiology\n"
      "images (uncompressed, JPEG Lossless SV1, JPEG Baseline, JPEG Extended, RLE) and of\n"
      "SR, RT, PDF and ECG objects (uncompressed), and asks for the SCP role for each with\n"
      "role selection. Each object is stored as norvane scp stores it:\n"
      "  DIR/<Study Instance UID>/<Series Instance UID>/<SOP Instance UID>.dcm\n"
      "in the transfer syntax it arrived in, with the index files KPStudy.dir, Series.dir\n"
      "and Image.dir; its C-STORE response says whether that worked. The identifier is the\n"
      "one norvane find sends at the same level: give the unique keys (StudyInstanceUID,\n"
      "also SeriesInstanceUID at SERIES level, also SOPInstanceUID at IMAGE level).\n\n"
      "Prints \"stored FILE\" for each object kept and \"not stored UID: REASON\" on\n"
      "standard error for each one that was not. While the archive reports pending\n"
      "sub-operations, their remaining number is shown on standard error when it is a\n"
      "terminal. The last line is\n"
      "  \"GET OK: C completed, F failed, W warning\" for final status 0x0000,\n"
      "  \"GET failed, status 0xNNNN (meaning): C completed, F failed, W warning\",\n"
      "  \"GET failed: ...\" when the request could not be sent or no final response came,\n"
      "  or \"Association Failed!\" and \"GET failed to connect to: AEC (HOST:PORT)\".\n"
      "The numbers are the ones the archive reported last. A warning status (0xB000, some\n"
      "sub-operations failed) is a failure. After \"GET OK\" standard error sums up: the\n"
      "number of objects stored, their bytes, the time taken and the rate.\n\n"
      "options:\n%s"
      "  --level LEVEL      STUDY (default), SERIES or IMAGE\n"
      "  -k FIELD=VALUE     key (repeatable); the fields are those of norvane find:\n"
      "                     STUDY:  %s"
      "                     SERIES: %s"
      "                     IMAGE:  %s"
      "                     (or the keywords of their attributes)\n"
      "  --folder DIR       storage folder and database root (default %s), created\n"
      "                     when missing\n"
      "  --max-object-size SIZE\n"
      "                     the largest object taken, in bytes or with K, M or G\n"
      "                     (default 4G); a larger one ends the association with an\n"
      "                     A-ABORT and the get fails\n"
      "  -q, --quiet        no \"stored\" lines and no progress line\n"
      "%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 GET OK, 1 get failed, 2 bad command line\n",
      kNetworkHelp, WrapNames(MatchingFieldNames<StudyInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<SeriesInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<ImageInfo>(), 29).c_str(), kDefaultFolder, kJsonHelp);
}

// Stores each object the archive sends, its pixels going into the file as they arrive,
// prints what became of it and keeps its JSON entry.
class Keeper : public RetrievedObjects {
 public:
  Keeper(Invocation& run, std::string folder, bool quiet, RetrievalProgress& progress)
      : run_(run),
        folder_(std::move(folder)),
        quiet_(quiet),
        progress_(progress),
        last_(std::chrono::steady_clock::now()) {}

  ReceivedValueSink* Receiving(const std::string& transferSyntax) override {
    incoming_ = std::make_unique<IncomingFile>(folder_, transferSyntax);
    return incoming_.get();
  }
  void Lost() override { incoming_.reset(); }

  uint16_t Keep(TagList dataset, const std::string& transferSyntax) override {
    const StoreWorkOutcome outcome =
        StoreThread(folder_, std::move(dataset), transferSyntax, incoming_.get()).Run();
    incoming_.reset();
    const auto now = std::chrono::steady_clock::now();
    std::error_code ignored;
    const uintmax_t size = std::filesystem::file_size(outcome.filePath, ignored);
    const uint64_t bytes =
        outcome.status == kStatusSuccess && size != static_cast<uintmax_t>(-1) ? size : 0;
    progress_.Clear();
    if (outcome.status == kStatusSuccess) {
      bytes_ += bytes;
      if (!quiet_) run_.OutPeerText("stored " + outcome.filePath);
      std::fflush(stdout);
    } else {
      PrintPeerText(stderr, "not stored " + outcome.sopInstanceUID + ": " + outcome.problem +
                                " (status " + StatusText(outcome.status) + ")");
    }
    Json object = Json::object();
    object["sopInstanceUID"] = outcome.sopInstanceUID;
    object["sopClassUID"] = outcome.sopClassUID;
    object["path"] = outcome.status == kStatusSuccess ? Json(outcome.filePath) : Json(nullptr);
    object["status"] = outcome.status;
    object["statusMeaning"] = MeaningOfStatus(StatusService::kStorage, outcome.status).text;
    object["transferSyntax"] = transferSyntax;
    object["bytes"] = bytes;
    object["ms"] = std::chrono::duration_cast<std::chrono::milliseconds>(now - last_).count();
    object["reason"] = outcome.problem.empty() ? Json(nullptr) : Json(outcome.problem);
    objects_.push_back(std::move(object));
    last_ = now;
    return outcome.status;
  }

  uint64_t Bytes() const { return bytes_; }
  Json TakeObjects() { return std::move(objects_); }

 private:
  Invocation& run_;
  std::string folder_;
  bool quiet_;
  RetrievalProgress& progress_;
  std::chrono::steady_clock::time_point last_;
  uint64_t bytes_ = 0;
  Json objects_ = Json::array();
  std::unique_ptr<IncomingFile> incoming_;
};

template <class Record>
int GetAtLevel(Invocation& run, Peer& peer, const std::string& folder) {
  Record query;
  std::string error;
  if (!ApplyQueryKeys(run.Args().Values("-k"), query, error)) return run.Usage(error);
  const bool quiet = run.Args().Has("-q") || run.Args().Has("--quiet");
  run.Report()["level"] = QueryLevelText(QueryLevelOf<Record>::value);
  run.Report()["folder"] = folder;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  if (!DirectoryExists(folder)) {
    const std::string reason = "cannot create the storage folder " + folder;
    ReportReason("get", reason);
    return run.Finish(1, reason);
  }

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const auto start = std::chrono::steady_clock::now();
  RetrievalProgress progress(ShowProgress(quiet, run.Json()));
  Keeper keeper(run, folder, quiet, progress);
  const GetResult result =
      GetSCU(peer.Parameters(), query, keeper,
             [&progress](const DimseCommand& response) { progress.Show(response); });
  progress.Clear();
  run.Report()["objects"] = keeper.TakeObjects();
  AddRetrievalCounts(run.Report(), result);
  run.Report()["totals"] = {{"received", result.received},
                            {"stored", result.kept},
                            {"bytes", keeper.Bytes()},
                            {"ms", Since(start).count()}};
  if (!result.associated) {
    run.Out(kAssociationFailedLine);
    ReportFailureReason("get", result);
    ReportOperation(run, kOperation, false, peer);
    return run.Finish(1, result.reason);
  }
  ReportFailureReason("get", result);
  const std::string line = RetrievalLine(kOperation, result, SubOperationCounts(result));
  run.Out(line);
  WriteLog(line);
  if (result.Ok()) {
    ReportSummary("get",
                  SummaryText(result.kept, "object", "objects", keeper.Bytes(), Since(start)));
  }
  return run.Finish(result.Ok() ? 0 : 1, result.Ok() ? std::string() : line);
}

}  // namespace

std::vector<OptionSpec> GetOptions() {
  return NetworkOptionsAnd({{"--level", true, "STUDY SERIES IMAGE"},
                            {"-k", true},
                            {"--folder", true},
                            {"--max-object-size", true},
                            {"-q", false},
                            {"--quiet", false}});
}

int RunGet(int argc, char** argv) {
  Invocation run("get", argc, argv, GetOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 0, peer)) return *status;
  if (const std::string problem = ApplyMaxObjectSize(run.Args(), peer.maxObjectSize);
      !problem.empty()) {
    return run.Usage(problem);
  }
  const std::optional<QueryLevel> level = LevelOption(run.Args().Value("--level"));
  if (!level) {
    return run.Usage("--level must be STUDY, SERIES or IMAGE, not '" +
                     *run.Args().Value("--level") + "'");
  }
  const std::string folder =
      WithTrailingSeparator(run.Args().Value("--folder").value_or(kDefaultFolder));
  switch (*level) {
    case QueryLevel::kStudy:
      return GetAtLevel<StudyInfo>(run, peer, folder);
    case QueryLevel::kSeries:
      return GetAtLevel<SeriesInfo>(run, peer, folder);
    case QueryLevel::kImage:
      return GetAtLevel<ImageInfo>(run, peer, folder);
  }
  return 2;
}

}  // namespace norvane::cli
