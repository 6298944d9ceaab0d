// norvane worklist [HOST PORT]: a modality worklist C-FIND, printed as the test
// application prints its WORKLIST.

#include <cstdio>
#include <string>

#include "app/worklist_operation.hpp"
#include "cli/commands.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/query_keys.hpp"
#include "dimse/worklist_item.hpp"
#include "log/log.hpp"

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
      "first when no association could be opened. Values are shown as received.\n\n"
      "At most --max-results items are kept: when the provider has more, the query is\n"
      "cancelled (C-CANCEL), the items so far are printed, and standard error says the\n"
      "result was cut off; the query then counts as failed.\n\n"
      "options:\n%s"
      "  -k FIELD=VALUE     matching key (repeatable), e.g. -k SPSStartDate=20240115\n"
      "                     -k Modality=CT -k PatientName=DOE*; FIELD alone is a return\n"
      "                     key, as every field not given is. Field names ignore case:\n"
      "                     %s"
      "                     (ContrastAllergies, ScheduledStationAET, RequestedContrastAgent,\n"
      "                     RequestedProcedureID and RequestedProcedurePriority are always\n"
      "                     returned and never matched)\n"
      "  --max-results N    keep at most N items (default 10000; 0: no limit)\n"
      "  -h, --help         show this help\n\n"
      "exit status: 0 WORKLIST OK, 1 worklist query failed (or cut off), 2 bad command line\n",
      kNetworkHelp, WrapNames(MatchingFieldNames<TWorklistItem>(), 21).c_str());
}

}  // namespace

int RunWorklist(int argc, char** argv) {
  ParsedArgs args =
      ParseArgs(argc, argv, NetworkOptionsAnd({{"-k", true}, {"--max-results", true}}));
  Peer peer;
  if (const std::optional<int> status = StartPeerCommand(args, "worklist", PrintHelp, peer)) {
    return *status;
  }
  TWorklistItem query;
  std::string error;
  if (!ApplyQueryKeys(args.Values("-k"), query, error)) {
    std::fprintf(stderr, "norvane worklist: %s\n", error.c_str());
    return 2;
  }
  const std::optional<size_t> maxResults = MaxResultsOption(args, "worklist");
  if (!maxResults || !ApplyTimeoutOptions(args, "worklist", peer) ||
      !ApplyLogOptions(args, peer.logLevel)) {
    return 2;
  }

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const QueryOperationResult result = RunWorklistOperation(
      peer.Parameters(), query, [](const std::string& line) { PrintPeerText(stdout, line); },
      *maxResults);
  std::fflush(stdout);
  ReportQueryFailure("worklist", result);
  ReportOperation(kOperation, result.Ok(), peer);
  return result.Ok() ? 0 : 1;
}

}  // namespace norvane::cli
