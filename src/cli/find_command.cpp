// norvane find [HOST PORT]: a Study Root C-FIND at one level, printed as the test
// application prints its FIND.

#include <cstdio>
#include <string>

#include "app/find_operation.hpp"
#include "cli/commands.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/query_keys.hpp"
#include "dimse/query_fields.hpp"
#include "log/log.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "FIND";

void PrintHelp() {
  std::printf(
      "usage: norvane find [HOST PORT] [--level STUDY|SERIES|IMAGE] [-k FIELD=VALUE]...\n"
      "                    [options]\n\n"
      "Queries an archive with C-FIND in the Study Root Query/Retrieve information model\n"
      "(implicit VR little endian). Every field of the level's record is sent: the ones\n"
      "given with -k as matching keys, all others empty, so the archive returns them.\n"
      "No key of a higher level is added: at SERIES level give StudyInstanceUID, at IMAGE\n"
      "level StudyInstanceUID and SeriesInstanceUID to stay inside one study or series.\n\n"
      "Prints \"No studies: N\" (SERIES: \"No series: N\", IMAGE: \"No images: N\"), an\n"
      "empty line, then per record its lines and an empty line, then \"FIND OK\" when the\n"
      "query ended with status 0x0000, else \"FIND failed to connect to: AEC (HOST:PORT)\"\n"
      "(for every failure; the reason goes to standard error). \"Association Failed!\"\n"
      "comes first when no association could be opened. A STUDY record is shown as 13\n"
      "lines (PatientName, PatientID, PatientSex, PatientBD, StudyID, StudyInstanceUID,\n"
      "StudyDate, StudyTime, StudyDescription, Modalities, InstitutionName,\n"
      "AccessionNumber, PhysiciansName; PatientAge is not shown); SERIES and IMAGE\n"
      "records as one \"Field: value\" line per field. Values are shown as received,\n"
      "padding included. A response with a failure status counts as a record.\n\n"
      "At most --max-results records are kept: when the archive has more matches, the\n"
      "query is cancelled (C-CANCEL), the records so far are printed, and standard error\n"
      "says the result was cut off; the query then counts as failed.\n\n"
      "options:\n%s"
      "  --level LEVEL      STUDY (default), SERIES or IMAGE\n"
      "  -k FIELD=VALUE     matching key (repeatable); wildcards and ranges as the archive\n"
      "                     supports them, e.g. -k PatientName=DOE* -k StudyDate=20240101-\n"
      "                     (an odd-length value gets one pad byte: NUL for UIDs, else a\n"
      "                     space). FIELD alone is a return key, as every field not given\n"
      "                     is. Field names ignore case. The fields by level:\n"
      "                     STUDY:  %s"
      "                     SERIES: %s"
      "                     IMAGE:  %s"
      "  --max-results N    keep at most N records (default 10000; 0: no limit)\n"
      "  -h, --help         show this help\n\n"
      "exit status: 0 FIND OK, 1 find failed (or cut off), 2 bad command line\n",
      kNetworkHelp, WrapNames(MatchingFieldNames<StudyInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<SeriesInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<ImageInfo>(), 29).c_str());
}

template <class Record>
int FindAtLevel(const ParsedArgs& args, Peer& peer) {
  Record query;
  std::string error;
  if (!ApplyQueryKeys(args.Values("-k"), query, error)) {
    std::fprintf(stderr, "norvane find: %s\n", error.c_str());
    return 2;
  }
  const std::optional<size_t> maxResults = MaxResultsOption(args, "find");
  if (!maxResults || !ApplyTimeoutOptions(args, "find", peer) ||
      !ApplyLogOptions(args, peer.logLevel)) {
    return 2;
  }

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const QueryOperationResult result = RunFindOperation(
      peer.Parameters(), query, [](const std::string& line) { PrintPeerText(stdout, line); },
      *maxResults);
  std::fflush(stdout);
  ReportQueryFailure("find", result);
  ReportOperation(kOperation, result.Ok(), peer);
  return result.Ok() ? 0 : 1;
}

}  // namespace

int RunFind(int argc, char** argv) {
  ParsedArgs args = ParseArgs(
      argc, argv, NetworkOptionsAnd({{"--level", true}, {"-k", true}, {"--max-results", true}}));
  Peer peer;
  if (const std::optional<int> status = StartPeerCommand(args, "find", PrintHelp, peer)) {
    return *status;
  }
  const std::optional<QueryLevel> level = LevelOption(args.Value("--level"));
  if (!level) {
    std::fprintf(stderr, "norvane find: --level must be STUDY, SERIES or IMAGE, not '%s'\n",
                 args.Value("--level")->c_str());
    return 2;
  }
  switch (*level) {
    case QueryLevel::kStudy:
      return FindAtLevel<StudyInfo>(args, peer);
    case QueryLevel::kSeries:
      return FindAtLevel<SeriesInfo>(args, peer);
    case QueryLevel::kImage:
      return FindAtLevel<ImageInfo>(args, peer);
  }
  return 2;
}

}  // namespace norvane::cli
