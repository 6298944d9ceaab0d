// norvane commit [HOST PORT] FILES|FOLDER: storage commitment of the files' instances.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/modality_steps.hpp"
#include "cli/operation_report.hpp"
#include "log/log.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "COMMIT";

void PrintHelp() {
  std::printf(
      "usage: norvane commit [HOST PORT] FILE|FOLDER... [options]\n\n"
      "Asks a node to commit to keeping the instances of the files (Storage Commitment\n"
      "Push Model): one N-ACTION-RQ with the Referenced SOP Sequence of the files' SOP\n"
      "classes and instances under a new Transaction UID, then waits for the\n"
      "N-EVENT-REPORT-RQ, which is answered with an N-EVENT-REPORT-RSP. The report may come\n"
      "on the same association, or with --listen-port on a new association the node opens\n"
      "to us. A FOLDER stands for the DICOM files directly in it.\n\n"
      "Prints one line per instance, \"committed UID (FILE)\" or \"failed UID (FILE): REASON\"\n"
      "(the Failure Reason in words, e.g. \"no such object instance (0x0112)\"), then\n"
      "\"COMMIT OK\" when every instance was committed, else \"COMMIT failed to connect to:\n"
      "AEC (HOST:PORT)\" with the reason on standard error (also when no report came within\n"
      "--commit-timeout).\n\n"
      "options:\n%s%s%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 every instance committed, 1 any instance not committed or no report,\n"
      "2 bad command line\n",
      kNetworkHelp, kCommitHelp, kJsonHelp);
}

}  // namespace

std::vector<OptionSpec> CommitOptions() {
  return ModalityOptions({}, false, true);
}

int RunCommit(int argc, char** argv) {
  Invocation run("commit", argc, argv, CommitOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 1, peer)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.empty()) return run.Usage("give at least one FILE or FOLDER");
  std::string problem;
  const std::optional<CommitSettings> settings = CommitSettingsOf(args, problem);
  if (!settings) return run.Usage(problem);
  const std::vector<std::string> files = FilesOfArguments(args.positionals, problem);
  const InstanceHeadersResult headers = ReadInstanceHeaders(files);
  if (!problem.empty() || !headers) {
    const std::string reason = problem.empty() ? headers.reason : problem;
    ReportReason("commit", reason + "; nothing sent");
    return run.Finish(1, reason);
  }
  std::vector<InstanceReference> refs;
  for (const InstanceHeader& header : headers.headers)
    refs.push_back(header.reference);

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const CommitResult result = CommitWithSettings(peer, refs, *settings);
  std::string reason = result.reason;
  if (result.report) {
    const size_t notCommitted = ReportCommitment(run, result, headers.headers);
    if (notCommitted > 0) {
      reason = std::to_string(notCommitted) + " of " + std::to_string(refs.size()) +
               " instances not committed";
    }
  } else {
    run.Report()["transactionUID"] = result.transactionUID;
  }
  if (!reason.empty()) ReportReason("commit", reason);
  ReportOperation(run, kOperation, reason.empty(), peer);
  return run.Finish(reason.empty() ? 0 : 1, reason);
}

}  // namespace norvane::cli
