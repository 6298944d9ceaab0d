// norvane move [HOST PORT] --dest AET: a Study Root C-MOVE of what the keys match to a
// third application entity.

#include <chrono>
#include <cstdio>
#include <string>

#include "app/query_operation.hpp"
#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/query_keys.hpp"
#include "cli/retrieve_report.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/dimse_exchange.hpp"
#include "dimse/move_scu.hpp"
#include "dimse/query_fields.hpp"
#include "dimse/status_meaning.hpp"
#include "log/log.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "MOVE";

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
      "sub-operations failed) is a failure. After \"MOVE OK\" standard error gives the\n"
      "number of objects moved and the time taken.\n\n"
      "options:\n%s"
      "  --dest AET         move destination AE title (1 to 16 characters), required\n"
      "  --level LEVEL      STUDY (default), SERIES or IMAGE\n"
      "  -k FIELD=VALUE     key (repeatable); the fields are those of norvane find:\n"
      "                     STUDY:  %s"
      "                     SERIES: %s"
      "                     IMAGE:  %s"
      "                     (or the keywords of their attributes)\n"
      "  -q, --quiet        no progress line\n"
      "%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 MOVE OK, 1 move failed, 2 bad command line\n",
      kNetworkHelp, WrapNames(MatchingFieldNames<StudyInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<SeriesInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<ImageInfo>(), 29).c_str(), kJsonHelp);
}

template <class Record>
int MoveAtLevel(Invocation& run, Peer& peer, const std::string& destination) {
  Record query;
  std::string error;
  if (!ApplyQueryKeys(run.Args().Values("-k"), query, error)) return run.Usage(error);
  const bool quiet = run.Args().Has("-q") || run.Args().Has("--quiet");
  run.Report()["level"] = QueryLevelText(QueryLevelOf<Record>::value);
  run.Report()["destination"] = destination;

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const auto start = std::chrono::steady_clock::now();
  MoveResult result;
  {
    RetrievalProgress progress(ShowProgress(quiet, run.Json()));
    result = MoveSCU(peer.Parameters(), destination, query,
                     [&progress](const DimseCommand& r) { progress.Show(r); });
  }
  AddRetrievalCounts(run.Report(), result);
  if (!result.associated) {
    run.Out(kAssociationFailedLine);
    ReportFailureReason("move", result);
    ReportOperation(run, kOperation, false, peer);
    return run.Finish(1, result.reason);
  }
  ReportFailureReason("move", result);
  const std::string line = RetrievalLine(kOperation, result, SubOperationCounts(result));
  run.Out(line);
  WriteLog(line);
  if (result.Ok()) {
    ReportSummary("move", SummaryText(result.completed.value_or(0), "object moved", "objects moved",
                                      std::nullopt, Since(start)));
  }
  return run.Finish(result.Ok() ? 0 : 1, result.Ok() ? std::string() : line);
}

}  // namespace

std::vector<OptionSpec> MoveOptions() {
  return NetworkOptionsAnd({{"--dest", true},
                            {"--level", true, "STUDY SERIES IMAGE"},
                            {"-k", true},
                            {"-q", false},
                            {"--quiet", false}});
}

int RunMove(int argc, char** argv) {
  Invocation run("move", argc, argv, MoveOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 0, peer)) return *status;
  const std::string destination = run.Args().Value("--dest").value_or("");
  if (destination.empty() || destination.size() > kMaxAETitleLength) {
    return run.Usage("--dest needs the destination AE title, 1 to 16 characters, not '" +
                     destination + "'");
  }
  if (const std::string problem = AETitleProblem("--dest", destination); !problem.empty()) {
    return run.Usage(problem);
  }
  const std::optional<QueryLevel> level = LevelOption(run.Args().Value("--level"));
  if (!level) {
    return run.Usage("--level must be STUDY, SERIES or IMAGE, not '" +
                     *run.Args().Value("--level") + "'");
  }
  switch (*level) {
    case QueryLevel::kStudy:
      return MoveAtLevel<StudyInfo>(run, peer, destination);
    case QueryLevel::kSeries:
      return MoveAtLevel<SeriesInfo>(run, peer, destination);
    case QueryLevel::kImage:
      return MoveAtLevel<ImageInfo>(run, peer, destination);
  }
  return 2;
}

}  // namespace norvane::cli
