// norvane find [HOST PORT]: a Study Root C-FIND at one level, printed as the test
// application prints its FIND, or a Patient Root one at PATIENT level.

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/find_operation.hpp"
#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/patient_query.hpp"
#include "cli/query_json.hpp"
#include "cli/query_keys.hpp"
#include "dimse/find_scu.hpp"
#include "dimse/query_fields.hpp"
#include "dimse/query_identifier.hpp"
#include "log/log.hpp"
#include "net/uids.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "FIND";

void PrintHelp() {
  std::printf(
      "usage: norvane find [HOST PORT] [--level PATIENT|STUDY|SERIES|IMAGE]\n"
      "                    [-k FIELD=VALUE]... [options]\n\n"
      "Queries an archive with C-FIND in the Study Root Query/Retrieve information model\n"
      "(implicit VR little endian); at PATIENT level in the Patient Root one. Every field\n"
      "of the level's record is sent: the ones\n"
      "given with -k as matching keys, all others empty, so the archive returns them.\n"
      "No key of a higher level is added: at SERIES level give StudyInstanceUID, at IMAGE\n"
      "level StudyInstanceUID and SeriesInstanceUID to stay inside one study or series.\n\n"
      "Prints \"No studies: N\" (SERIES: \"No series: N\", IMAGE: \"No images: N\",\n"
      "PATIENT: \"No patients: N\"), an\n"
      "empty line, then per record its lines and an empty line, then \"FIND OK\" when the\n"
      "query ended with status 0x0000, else \"FIND failed to connect to: AEC (HOST:PORT)\"\n"
      "(for every failure; the reason goes to standard error). \"Association Failed!\"\n"
      "comes first when no association could be opened. A STUDY record is shown as 13\n"
      "lines (PatientName, PatientID, PatientSex, PatientBD, StudyID, StudyInstanceUID,\n"
      "StudyDate, StudyTime, StudyDescription, Modalities, InstitutionName,\n"
      "AccessionNumber, PhysiciansName; PatientAge is not shown); SERIES and IMAGE\n"
      "records, and PATIENT ones, as one \"Field: value\" line per field. Values are shown as\n"
      "received, padding included. A response with a failure status counts as a record.\n"
      "After \"FIND OK\" standard error gives the number of matches and the time taken.\n\n"
      "At most --max-results records are kept: when the archive has more matches, the\n"
      "query is cancelled (C-CANCEL), the records so far are printed, and standard error\n"
      "says the result was cut off; the query then counts as failed.\n\n"
      "options:\n%s"
      "  --level LEVEL      STUDY (default), SERIES, IMAGE, or PATIENT (Patient Root)\n"
      "  -k FIELD=VALUE     matching key (repeatable); wildcards and ranges as the archive\n"
      "                     supports them, e.g. -k PatientName=DOE* -k StudyDate=20240101-\n"
      "                     (an odd-length value gets one pad byte: NUL for UIDs, else a\n"
      "                     space). FIELD alone is a return key, as every field not given\n"
      "                     is. A field is named as below or by the standard's keyword of\n"
      "                     its attribute (PatientBirthDate for PatientBD,\n"
      "                     ModalitiesInStudy for Modalities); names ignore case. The\n"
      "                     fields by level:\n"
      "                     PATIENT: %s"
      "                     STUDY:  %s"
      "                     SERIES: %s"
      "                     IMAGE:  %s"
      "  --max-results N    keep at most N records (default 10000; 0: no limit)\n"
      "%s"
      "                     With --json, \"matches\" holds each response identifier as a\n"
      "                     data set in the DICOM JSON Model\n"
      "  -h, --help         show this help\n\n"
      "exit status: 0 FIND OK, 1 find failed (or cut off), 2 bad command line\n",
      kNetworkHelp, WrapNames(MatchingFieldNames<PatientInfo>(), 30).c_str(),
      WrapNames(MatchingFieldNames<StudyInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<SeriesInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<ImageInfo>(), 29).c_str(), kJsonHelp);
}

// After "FIND OK": the number of matches and the time taken.
void ReportFindSummary(const FindResult& result, size_t matches,
                       std::chrono::steady_clock::time_point start) {
  if (result.Ok()) {
    ReportSummary("find", SummaryText(matches, "match", "matches", std::nullopt, Since(start)));
  }
}

int FindPatients(Invocation& run, Peer& peer, size_t maxResults) {
  PatientInfo query;
  std::string error;
  if (!ApplyQueryKeys(run.Args().Values("-k"), query, error)) return run.Usage(error);
  run.Report()["level"] = "PATIENT";
  run.Report()["informationModel"] = "Patient Root";
  TagList identifier;
  BuildPatientIdentifier(query, identifier);

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const auto start = std::chrono::steady_clock::now();
  std::vector<TagList> matches;
  const FindResult result = FindIdentifiers(peer.Parameters(), uid::kPatientRootQueryRetrieveFind,
                                            identifier, matches, maxResults);
  if (!result.associated) {
    run.Out(kAssociationFailedLine);
  } else {
    run.Out("No patients: " + std::to_string(matches.size()));
    run.Out("");
    for (const TagList& match : matches) {
      for (const std::string& line : PatientLines(match))
        run.OutPeerText(line);
      run.Out("");
    }
  }
  AddMatches(run.Report(), result, matches);
  const std::string reason = QueryFailureReason(result);
  if (!reason.empty()) ReportReason("find", reason);
  ReportOperation(run, kOperation, result.Ok(), peer);
  ReportFindSummary(result, matches.size(), start);
  return run.Finish(result.Ok() ? 0 : 1, reason);
}

template <class Record>
int FindAtLevel(Invocation& run, Peer& peer, size_t maxResults) {
  Record query;
  std::string error;
  if (!ApplyQueryKeys(run.Args().Values("-k"), query, error)) return run.Usage(error);
  run.Report()["level"] = QueryLevelText(QueryLevelOf<Record>::value);
  run.Report()["informationModel"] = "Study Root";

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const auto start = std::chrono::steady_clock::now();
  FindResult result;
  size_t matches = 0;
  if (run.Json()) {
    TagList identifier;
    BuildIdentifier(query, identifier);
    result = QueryIntoReport(run.Report(), peer.Parameters(), uid::kStudyRootQueryRetrieveFind,
                             identifier, maxResults, matches);
  } else {
    const QueryOperationResult operation = RunFindOperation(
        peer.Parameters(), query, [&run](const std::string& line) { run.OutPeerText(line); },
        maxResults);
    result = operation;
    matches = operation.records;
  }
  std::fflush(stdout);
  const std::string reason = QueryFailureReason(result);
  if (!reason.empty()) ReportReason("find", reason);
  ReportOperation(run, kOperation, result.Ok(), peer);
  ReportFindSummary(result, matches, start);
  return run.Finish(result.Ok() ? 0 : 1, reason);
}

}  // namespace

std::vector<OptionSpec> FindOptions() {
  return NetworkOptionsAnd(
      {{"--level", true, "PATIENT STUDY SERIES IMAGE"}, {"-k", true}, {"--max-results", true}});
}

int RunFind(int argc, char** argv) {
  Invocation run("find", argc, argv, FindOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 0, peer)) return *status;
  const std::string levelText = LevelText(run.Args().Value("--level"));
  const std::optional<QueryLevel> level = LevelOption(run.Args().Value("--level"));
  if (!level && levelText != "PATIENT") {
    return run.Usage("--level must be PATIENT, STUDY, SERIES or IMAGE, not '" +
                     *run.Args().Value("--level") + "'");
  }
  std::string problem;
  const std::optional<size_t> maxResults = MaxResultsOption(run.Args(), problem);
  if (!maxResults) return run.Usage(problem);
  if (!level) return FindPatients(run, peer, *maxResults);
  switch (*level) {
    case QueryLevel::kStudy:
      return FindAtLevel<StudyInfo>(run, peer, *maxResults);
    case QueryLevel::kSeries:
      return FindAtLevel<SeriesInfo>(run, peer, *maxResults);
    case QueryLevel::kImage:
      return FindAtLevel<ImageInfo>(run, peer, *maxResults);
  }
  return 2;
}

}  // namespace norvane::cli
