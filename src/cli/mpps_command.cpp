// norvane mpps create|set [HOST PORT]: Modality Performed Procedure Step, N-CREATE and N-SET.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/modality_steps.hpp"
#include "cli/operation_report.hpp"
#include "cli/query_keys.hpp"
#include "log/log.hpp"

namespace norvane::cli {
namespace {

void PrintHelp() {
  std::printf(
      "usage: norvane mpps create [HOST PORT] [--item FILE] [-k FIELD=VALUE]... [options]\n"
      "       norvane mpps set [HOST PORT] UID --status COMPLETED|DISCONTINUED [FILE|FOLDER...]\n\n"
      "Reports a Modality Performed Procedure Step to an MPPS SCP (implicit VR little\n"
      "endian).\n\n"
      "create sends N-CREATE with the status IN PROGRESS: the patient, study, accession,\n"
      "requested procedure and scheduled step come from the worklist item of --item (a .wl\n"
      "or other DICOM file, e.g. a worklist response) and from -k keys (the fields of norvane\n"
      "worklist, e.g. -k PatientID=123 -k StudyInstanceUID=1.2.3; they override the file's).\n"
      "The start date and time are now; the end date and time and the Performed Series\n"
      "Sequence go out empty. Prints the step's SOP Instance UID (a new UID, or the one\n"
      "the SCP chose) alone on a line.\n\n"
      "set sends N-SET with the status, today's end date and time and, with files, the\n"
      "Performed Series Sequence built from them (one item per series, images in the\n"
      "Referenced Image Sequence, other objects in the Referenced Non-Image Composite SOP\n"
      "Instance Sequence, Retrieve AE Title the called title). Prints \"MPPS UID STATUS\".\n\n"
      "A refusal prints \"MPPS failed to connect to: AEC (HOST:PORT)\" with the status in\n"
      "words on standard error, e.g. \"N-SET-RSP status 0x0110 (Failure: Processing\n"
      "failure): Performed Procedure Step Object may no longer be updated\".\n\n"
      "options:\n%s"
      "  --item FILE        (create) the worklist item\n"
      "  -k FIELD=VALUE     (create) a field of the worklist item (repeatable)\n"
      "  --uid UID          (create) the step's SOP Instance UID instead of a new one\n"
      "%s"
      "  --status STATUS    (set) COMPLETED or DISCONTINUED\n"
      "%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 accepted (status 0x0000), 1 refused or failed, 2 bad command line\n",
      kNetworkHelp, kStepHelp, kJsonHelp);
}

int RunCreate(Invocation& run, const Peer& peer) {
  ParsedArgs& args = run.Args();
  TWorklistItem item;
  std::string problem;
  if (const auto file = args.Value("--item")) {
    const std::optional<TWorklistItem> read = ReadWorklistItemFile(*file, problem);
    if (!read) return run.Usage(problem);
    item = *read;
  }
  if (!ApplyQueryKeys(args.Values("-k"), item, problem)) return run.Usage(problem);
  const TagList dataset = MppsInProgressDataset(item, StepStartOf(args, peer));
  WriteLog("Starting MPPS Service");
  const MppsResult result =
      CreateMppsSCU(peer.Parameters(), dataset, args.Value("--uid").value_or(""));
  ReportFailureReason("mpps", result);
  if (result) run.Out(result.instanceUID);
  run.Report()["instanceUID"] = result.instanceUID;
  run.Report()["status"] = std::string(kStepInProgress);
  if (!result) ReportOperation(run, "MPPS", false, peer);
  return run.Finish(result ? 0 : 1, result.reason);
}

int RunSet(Invocation& run, const Peer& peer) {
  ParsedArgs& args = run.Args();
  const std::string status = args.Value("--status").value_or("");
  if (status != kStepCompleted && status != kStepDiscontinued) {
    return run.Usage("--status takes COMPLETED or DISCONTINUED");
  }
  const std::string uid = args.positionals.front();
  std::string problem;
  const std::vector<std::string> files = FilesOfArguments(
      std::vector<std::string>(args.positionals.begin() + 1, args.positionals.end()), problem);
  const InstanceHeadersResult headers = ReadInstanceHeaders(files);
  if (!problem.empty() || !headers) {
    const std::string reason = problem.empty() ? headers.reason : problem;
    ReportReason("mpps", reason + "; nothing sent");
    return run.Finish(1, reason);
  }
  const TagList dataset =
      MppsFinalDataset(status, DicomNow(), PerformedSeriesOf(headers.headers, peer.calledAET));
  WriteLog("Starting MPPS Service");
  const ServiceResult result = SetMppsSCU(peer.Parameters(), uid, dataset);
  ReportFailureReason("mpps", result);
  if (result) run.Out("MPPS " + uid + " " + status);
  run.Report()["instanceUID"] = uid;
  run.Report()["status"] = status;
  run.Report()["referencedInstances"] = headers.headers.size();
  if (!result) ReportOperation(run, "MPPS", false, peer);
  return run.Finish(result ? 0 : 1, result.reason);
}

}  // namespace

std::vector<OptionSpec> MppsOptions() {
  return ModalityOptions({{"--item", true},
                          {"-k", true},
                          {"--uid", true},
                          {"--status", true, "COMPLETED DISCONTINUED"}},
                         true, false);
}

int RunMpps(int argc, char** argv) {
  const std::string_view action = argc > 0 ? std::string_view(argv[0]) : std::string_view();
  if (action != "create" && action != "set") {
    Invocation run("mpps", argc, argv, MppsOptions());
    if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
    return run.Usage("give create or set first");
  }
  Invocation run(action == "create" ? "mpps create" : "mpps set", argc - 1, argv + 1,
                 MppsOptions());
  Peer peer;
  const size_t required = action == "create" ? 0 : 1;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, required, peer)) return *status;
  if (action == "set" && run.Args().positionals.empty()) return run.Usage("give the step's UID");
  return action == "create" ? RunCreate(run, peer) : RunSet(run, peer);
}

}  // namespace norvane::cli
