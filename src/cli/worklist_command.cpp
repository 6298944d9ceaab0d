// norvane worklist [HOST PORT]: a modality worklist C-FIND, printed as the test
// application prints its WORKLIST.

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/worklist_operation.hpp"
#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/query_json.hpp"
#include "cli/query_keys.hpp"
#include "dimse/find_scu.hpp"
#include "dimse/worklist_identifier.hpp"
#include "dimse/worklist_item.hpp"
#include "log/log.hpp"
#include "net/uids.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "WORKLIST";

void PrintHelp() {
  std::printf(
      "usage: norvane worklist [HOST PORT] [-k FIELD=VALUE]... [options]\n\n"
      "Queries a modality worklist provider with C-FIND (Modality Worklist Information\n"
      "Model - FIND, implicit VR little endian). The identifier holds the patient and\n"
      "request keys and one Scheduled Procedure Step Sequence item; the fields given with\n"
      "-k are matching keys, all others go out empty and are returned.\n\n"
      "Prints \"No studies: N\", an empty line, then per scheduled procedure step 9 lines\n"
      "(PatientName, PatientID, PatientBD, PatientSex, Modality, Scheduled Station AET,\n"
      "Scheduled Procedure Step Start Date, Scheduled Procedure Step Start Time, Scheduled\n"
      "Performing Physician) and an empty line, then \"WORKLIST OK\" when the query ended\n"
      "with status 0x0000, else \"WORKLIST failed to connect to: AEC (HOST:PORT)\" (for\n"
      "every failure; the reason goes to standard error). \"Association Failed!\" comes\n"
      "first when no association could be opened. Values are shown as received. After\n"
      "\"WORKLIST OK\" standard error gives the number of steps and the time taken.\n\n"
      "At most --max-results items are kept: when the provider has more, the query is\n"
      "cancelled (C-CANCEL), the items so far are printed, and standard error says the\n"
      "result was cut off; the query then counts as failed.\n\n"
      "options:\n%s"
      "  -k FIELD=VALUE     matching key (repeatable), e.g. -k SPSStartDate=20240115\n"
      "                     -k Modality=CT -k PatientName=DOE*; FIELD alone is a return\n"
      "                     key, as every field not given is. A field is named as below\n"
      "                     or by the standard's keyword of its attribute\n"
      "                     (ScheduledProcedureStepStartDate); names ignore case:\n"
      "                     %s"
      "                     (ContrastAllergies, ScheduledStationAET, RequestedContrastAgent,\n"
      "                     RequestedProcedureID and RequestedProcedurePriority are always\n"
      "                     returned and never matched)\n"
      "  --max-results N    keep at most N items (default 10000; 0: no limit)\n"
      "%s"
      "                     With --json, \"matches\" holds each response identifier as a\n"
      "                     data set in the DICOM JSON Model\n"
      "  -h, --help         show this help\n\n"
      "exit status: 0 WORKLIST OK, 1 worklist query failed (or cut off), 2 bad command line\n",
      kNetworkHelp, WrapNames(MatchingFieldNames<TWorklistItem>(), 21).c_str(), kJsonHelp);
}

}  // namespace

std::vector<OptionSpec> WorklistOptions() {
  return NetworkOptionsAnd({{"-k", true}, {"--max-results", true}});
}

int RunWorklist(int argc, char** argv) {
  Invocation run("worklist", argc, argv, WorklistOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 0, peer)) return *status;
  TWorklistItem query;
  std::string problem;
  if (!ApplyQueryKeys(run.Args().Values("-k"), query, problem)) return run.Usage(problem);
  const std::optional<size_t> maxResults = MaxResultsOption(run.Args(), problem);
  if (!maxResults) return run.Usage(problem);

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const auto start = std::chrono::steady_clock::now();
  FindResult result;
  size_t items = 0;
  if (run.Json()) {
    TagList identifier;
    BuildWorklistIdentifier(query, identifier);
    result = QueryIntoReport(run.Report(), peer.Parameters(), uid::kModalityWorklistFind,
                             identifier, *maxResults, items);
  } else {
    const QueryOperationResult operation = RunWorklistOperation(
        peer.Parameters(), query, [&run](const std::string& line) { run.OutPeerText(line); },
        *maxResults);
    result = operation;
    items = operation.records;
  }
  std::fflush(stdout);
  const std::string reason = QueryFailureReason(result);
  if (!reason.empty()) ReportReason("worklist", reason);
  ReportOperation(run, kOperation, result.Ok(), peer);
  if (result.Ok()) {
    ReportSummary("worklist", SummaryText(items, "scheduled procedure step",
                                          "scheduled procedure steps", std::nullopt, Since(start)));
  }
  return run.Finish(result.Ok() ? 0 : 1, reason);
}

}  // namespace norvane::cli
