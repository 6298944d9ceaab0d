// norvane move [HOST PORT] --dest AET: a Study Root C-MOVE of what the keys match to a
// third application entity.

#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/commands.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/query_keys.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/dimse_exchange.hpp"
#include "dimse/move_scu.hpp"
#include "dimse/query_fields.hpp"
#include "dimse/status_meaning.hpp"
#include "log/log.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "MOVE";
constexpr size_t kMaxAETitleLength = 16;

void PrintHelp() {
  std::printf(
      "usage: norvane move [HOST PORT] --dest AET [--level STUDY|SERIES|IMAGE]\n"
      "                    [-k FIELD=VALUE]... [options]\n\n"
      "Asks an archive with C-MOVE (Study Root Query/Retrieve information model, implicit\n"
      "VR little endian) to send what the keys match to the application entity AET. The\n"
      "archive opens its own associations to AET, so it must know AET's address (for\n"
      "DCMTK's dcmqrscp: its HostTable). The identifier is the one norvane find sends at\n"
      "the same level: every field of the level's record, the -k ones as matching keys.\n"
      "Give the unique keys: StudyInstanceUID at STUDY level, also SeriesInstanceUID at\n"
      "SERIES level, also SOPInstanceUID at IMAGE level.\n\n"
      "While the archive reports pending sub-operations, their remaining number is shown\n"
      "on standard error when it is a terminal. When that number does not fall for the\n"
      "DIMSE time-out (--dimse-timeout), the retrieval counts as stalled: it is cancelled\n"
      "(C-CANCEL) and fails. The last line is\n"
      "  \"MOVE OK: C completed, F failed, W warning\" for final status 0x0000,\n"
      "  \"MOVE failed, status 0xNNNN (meaning): C completed, F failed, W warning\",\n"
      "  \"MOVE failed: ...\" when the request could not be sent or no final response came,\n"
      "  or \"Association Failed!\" and \"MOVE failed to connect to: AEC (HOST:PORT)\".\n"
      "Every failure also writes its reason on standard error and into the log.\n"
      "The numbers are the ones the archive reported last. A warning status (0xB000, some\n"
      "sub-operations failed) is a failure.\n\n"
      "options:\n%s"
      "  --dest AET         move destination AE title (1 to 16 characters), required\n"
      "  --level LEVEL      STUDY (default), SERIES or IMAGE\n"
      "  -k FIELD=VALUE     key (repeatable); the fields are those of norvane find:\n"
      "                     STUDY:  %s"
      "                     SERIES: %s"
      "                     IMAGE:  %s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 MOVE OK, 1 move failed, 2 bad command line\n",
      kNetworkHelp, WrapNames(MatchingFieldNames<StudyInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<SeriesInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<ImageInfo>(), 29).c_str());
}

std::string Count(const std::optional<uint16_t>& n) {
  return n ? std::to_string(*n) : "?";
}

std::string Counts(const MoveResult& r) {
  if (!r.completed && !r.failed && !r.warning) return "no sub-operation counts reported";
  return Count(r.completed) + " completed, " + Count(r.failed) + " failed, " + Count(r.warning) +
         " warning";
}

// The remaining sub-operations on one terminal line, rewritten with every response.
class MoveProgressLine {
 public:
  MoveProgressLine() : shown_(::isatty(STDERR_FILENO) == 1) {}
  ~MoveProgressLine() { Clear(); }
  MoveProgressLine(const MoveProgressLine&) = delete;
  MoveProgressLine& operator=(const MoveProgressLine&) = delete;

  void Show(const DimseCommand& response) {
    if (!shown_ || response.status != kStatusPending) return;
    std::fprintf(stderr, "\r\033[Kremaining %s, completed %s, failed %s, warning %s",
                 Count(response.remaining).c_str(), Count(response.completed).c_str(),
                 Count(response.failed).c_str(), Count(response.warning).c_str());
    std::fflush(stderr);
    onScreen_ = true;
  }
  void Clear() {
    if (!onScreen_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    onScreen_ = false;
  }

 private:
  bool shown_;
  bool onScreen_ = false;
};

template <class Record>
int MoveAtLevel(const ParsedArgs& args, Peer& peer, const std::string& destination) {
  Record query;
  std::string error;
  if (!ApplyQueryKeys(args.Values("-k"), query, error)) {
    std::fprintf(stderr, "norvane move: %s\n", error.c_str());
    return 2;
  }
  if (!ApplyTimeoutOptions(args, "move", peer) || !ApplyLogOptions(args, peer.logLevel)) return 2;

  WriteLog(std::string("Starting ") + kOperation + " Service");
  MoveResult result;
  {
    MoveProgressLine progress;
    result = MoveSCU(peer.Parameters(), destination, query,
                     [&progress](const DimseCommand& r) { progress.Show(r); });
  }
  if (!result.associated) {
    std::printf("Association Failed!\n");
    ReportFailureReason("move", result);
    ReportOperation(kOperation, false, peer);
    return 1;
  }
  ReportFailureReason("move", result);
  std::string line;
  switch (result.failure) {
    case ServiceFailure::kNone:
      line = "MOVE OK: " + Counts(result);
      break;
    case ServiceFailure::kStatus: {
      const uint16_t status = result.status.value_or(0);
      line = "MOVE failed, status " + StatusText(status) + " (" +
             std::string(MeaningOfStatus(StatusService::kRetrieve, status).text) +
             "): " + Counts(result);
      break;
    }
    case ServiceFailure::kNotSent:
      line = "MOVE failed: the request could not be sent";
      break;
    case ServiceFailure::kNoResponse:
    case ServiceFailure::kUnexpectedResponse:
    case ServiceFailure::kAborted:
    case ServiceFailure::kProtocol:
      line =
          "MOVE failed: no final response (the association ended, or the peer sent another "
          "message); " +
          Counts(result);
      break;
    default:
      line = "MOVE failed: " + result.reason;
      break;
  }
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  WriteLog(line);
  return result.Ok() ? 0 : 1;
}

}  // namespace

int RunMove(int argc, char** argv) {
  ParsedArgs args =
      ParseArgs(argc, argv, NetworkOptionsAnd({{"--dest", true}, {"--level", true}, {"-k", true}}));
  Peer peer;
  if (const std::optional<int> status = StartPeerCommand(args, "move", PrintHelp, peer)) {
    return *status;
  }
  const std::string destination = args.Value("--dest").value_or("");
  if (destination.empty() || destination.size() > kMaxAETitleLength) {
    std::fprintf(stderr,
                 "norvane move: --dest needs the destination AE title, 1 to 16 characters, not "
                 "'%s'\n",
                 destination.c_str());
    return 2;
  }
  const std::optional<QueryLevel> level = LevelOption(args.Value("--level"));
  if (!level) {
    std::fprintf(stderr, "norvane move: --level must be STUDY, SERIES or IMAGE, not '%s'\n",
                 args.Value("--level")->c_str());
    return 2;
  }
  switch (*level) {
    case QueryLevel::kStudy:
      return MoveAtLevel<StudyInfo>(args, peer, destination);
    case QueryLevel::kSeries:
      return MoveAtLevel<SeriesInfo>(args, peer, destination);
    case QueryLevel::kImage:
      return MoveAtLevel<ImageInfo>(args, peer, destination);
  }
  return 2;
}

}  // namespace norvane::cli
