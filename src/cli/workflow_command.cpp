// norvane workflow [HOST PORT]: plays a modality from the worklist to storage commitment.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/modality_steps.hpp"
#include "cli/operation_report.hpp"
#include "cli/query_keys.hpp"
#include "cli/workflow_objects.hpp"
#include "dimse/store_files.hpp"
#include "dimse/worklist_scu.hpp"
#include "log/log.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "WORKFLOW";
constexpr size_t kDefaultImages = 1;

void PrintHelp() {
  std::printf(
      "usage: norvane workflow [HOST PORT] [--worklist-from HOST:PORT:AET]\n"
      "                        [--archive HOST:PORT:AET] [-k FIELD=VALUE]... [FILE|FOLDER...]\n\n"
      "Plays a modality against a worklist provider and an archive, step by step:\n"
      "  1. worklist   modality worklist C-FIND with the -k keys; the first item is taken\n"
      "  2. mpps-start MPPS N-CREATE, IN PROGRESS, for that item\n"
      "  3. store      C-STORE of the files (or of --images generated secondary-capture\n"
      "                images when no file is given), each with the item's patient, study\n"
      "                and accession attributes, one new Series Instance UID and new SOP\n"
      "                Instance UIDs (the files themselves are not changed)\n"
      "  4. mpps-end   MPPS N-SET, COMPLETED, with the stored series and instances\n"
      "                (DISCONTINUED when storing failed)\n"
      "  5. commit     storage commitment of the stored instances\n"
      "The worklist comes from --worklist-from, everything else goes to --archive; each\n"
      "defaults to HOST PORT with --aec. A step runs only when the ones before succeeded.\n\n"
      "Prints one line per step, \"STEP ok|failed SECONDS s: DETAIL\", the commitment's\n"
      "line per instance, then \"WORKFLOW OK\" or \"WORKFLOW failed to connect to: AEC\n"
      "(HOST:PORT)\" with the failed step's reason on standard error.\n\n"
      "options:\n%s"
      "  --worklist-from HOST:PORT:AET\n"
      "                     the worklist provider\n"
      "  --archive HOST:PORT:AET\n"
      "                     the MPPS, storage and storage commitment SCP\n"
      "  -k FIELD=VALUE     worklist matching key, as for norvane worklist (repeatable)\n"
      "  --images N         generated images when no file is given (default 1)\n"
      "%s%s%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 every step succeeded, 1 a step failed, 2 bad command line\n",
      kNetworkHelp, kStepHelp, kCommitHelp, kJsonHelp);
}

// "HOST:PORT:AET" as a peer like `base` (titles and time-outs) with another address.
std::optional<Peer> NodeOption(const ParsedArgs& args, const char* option, const Peer& base,
                               std::string& problem) {
  const std::optional<std::string> text = args.Value(option);
  if (!text) return base;
  const size_t first = text->find(':');
  const size_t second = first == std::string::npos ? first : text->find(':', first + 1);
  Peer peer = base;
  if (second != std::string::npos) {
    peer.host = text->substr(0, first);
    peer.port = text->substr(first + 1, second - first - 1);
    peer.calledAET = text->substr(second + 1);
  }
  const std::optional<long> port = ParseNumber(peer.port);
  if (second == std::string::npos || peer.host.empty() || !port || *port < 1 || *port > 65535 ||
      !AETitleProblem(option, peer.calledAET).empty()) {
    problem = std::string(option) + " takes HOST:PORT:AET, not '" + *text + "'";
    return std::nullopt;
  }
  return peer;
}

// The report of the steps: a line each, and the "steps" array of the JSON document.
class StepReport {
 public:
  explicit StepReport(Invocation& run) : run_(run), steps_(Json::array()) {}

  void Start() { start_ = std::chrono::steady_clock::now(); }
  // Records the step's end; returns whether it succeeded.
  bool End(const char* step, const ServiceResult& result, const std::string& detail) {
    const std::chrono::milliseconds elapsed = Since(start_);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(elapsed.count()) / 1000);
    const std::string words = result ? detail : result.reason;
    run_.OutPeerText(std::string(step) + " " + (result ? "ok" : "failed") + " " + seconds +
                     " s: " + words);
    steps_.push_back(
        {{"step", step}, {"ok", result.Ok()}, {"elapsedMs", elapsed.count()}, {"detail", words}});
    if (!result) failure_ = std::string(step) + ": " + result.reason;
    return result.Ok();
  }
  const std::string& Failure() const { return failure_; }
  void Finish() { run_.Report()["steps"] = steps_; }

 private:
  Invocation& run_;
  Json steps_;
  std::string failure_;
  std::chrono::steady_clock::time_point start_;
};

struct StoredObjects : ServiceResult {
  std::vector<InstanceHeader> headers;
};

StoredObjects StoreObjects(const Peer& archive, const TWorklistItem& item,
                           const std::vector<std::string>& sources, size_t images) {
  StoredObjects stored;
  ScratchFolder scratch;
  if (scratch.Path().empty()) {
    stored.Set(ServiceResult::Failed(ServiceFailure::kLocal, "cannot make a scratch folder"));
    return stored;
  }
  const WorkflowObjects objects = PrepareWorkflowObjects(item, sources, images, scratch.Path());
  InstanceHeadersResult headers;
  if (objects) headers = ReadInstanceHeaders(objects.files);
  if (!objects || !headers) {
    stored.Set(objects ? static_cast<ServiceResult>(headers) : static_cast<ServiceResult>(objects));
    return stored;
  }
  size_t notStored = 0;
  std::string firstReason;
  for (const StoreResult& result : StoreFiles(archive.Parameters(), objects.files, "", true)) {
    if (result) continue;
    if (notStored++ == 0) firstReason = result.reason;
  }
  if (notStored > 0) {
    stored.Set(
        ServiceResult::Failed(ServiceFailure::kStatus, std::to_string(notStored) + " of " +
                                                           std::to_string(objects.files.size()) +
                                                           " objects not stored: " + firstReason));
  }
  stored.headers = std::move(headers.headers);
  // The lines name what the operator gave (the copies carry new UIDs), not the scratch files.
  for (size_t i = 0; i < stored.headers.size(); ++i) {
    stored.headers[i].file =
        sources.empty() ? "generated image " + std::to_string(i + 1) : sources[i];
  }
  return stored;
}

}  // namespace

std::vector<OptionSpec> WorkflowOptions() {
  return ModalityOptions(
      {{"--worklist-from", true}, {"--archive", true}, {"-k", true}, {"--images", true}}, true,
      true);
}

int RunWorkflow(int argc, char** argv) {
  Invocation run("workflow", argc, argv, WorkflowOptions());
  Peer peer;
  // Files are optional: HOST PORT are the first two words when the second is a port and
  // the first names no file.
  const std::vector<std::string>& words = run.Args().positionals;
  std::error_code ignored;
  const bool peerGiven = words.size() >= 2 && ParseNumber(words[1]).has_value() &&
                         !std::filesystem::exists(words[0], ignored);
  const size_t files = peerGiven ? words.size() - 2 : words.size();
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, files, peer)) return *status;
  ParsedArgs& args = run.Args();
  std::string problem;
  TWorklistItem query;
  if (!ApplyQueryKeys(args.Values("-k"), query, problem)) return run.Usage(problem);
  const std::optional<Peer> worklist = NodeOption(args, "--worklist-from", peer, problem);
  const std::optional<Peer> archive = NodeOption(args, "--archive", peer, problem);
  const std::optional<CommitSettings> commit = CommitSettingsOf(args, problem);
  size_t images = kDefaultImages;
  if (const auto text = args.Value("--images")) {
    const std::optional<long> number = ParseNumber(*text);
    if (!number || *number < 1 || *number > 1000) {
      problem = "--images takes a number from 1 to 1000, not '" + *text + "'";
    }
    images = number ? static_cast<size_t>(*number) : 0;
  }
  if (!problem.empty() || !worklist || !archive || !commit) return run.Usage(problem);
  const std::vector<std::string> sources = FilesOfArguments(args.positionals, problem);
  if (!problem.empty()) return run.Usage(problem);

  WriteLog(std::string("Starting ") + kOperation + " Service");
  StepReport steps(run);
  bool ok = false;
  [&] {
    steps.Start();
    std::vector<TWorklistItem> items;
    FindResult found = WorklistSCU(worklist->Parameters(), query, items, 100);
    if (found && items.empty()) {
      found.Set(ServiceResult::Failed(ServiceFailure::kStatus, "no worklist item matches"));
    }
    const TWorklistItem item = items.empty() ? TWorklistItem{} : items.front();
    if (!steps.End("worklist", found,
                   std::to_string(items.size()) + " item(s); taken: " + item.PatientName + " (" +
                       item.PatientID + "), accession " + item.AccessionNumber)) {
      return;
    }
    steps.Start();
    const MppsResult created = CreateMppsSCU(
        archive->Parameters(), MppsInProgressDataset(item, StepStartOf(args, *archive)));
    if (!steps.End("mpps-start", created, created.instanceUID + " IN PROGRESS")) return;

    steps.Start();
    const StoredObjects stored = StoreObjects(*archive, item, sources, images);
    const bool storedAll =
        steps.End("store", stored, std::to_string(stored.headers.size()) + " objects stored");
    steps.Start();
    const std::string_view status = storedAll ? kStepCompleted : kStepDiscontinued;
    const std::vector<InstanceHeader> none;
    const ServiceResult ended = SetMppsSCU(
        archive->Parameters(), created.instanceUID,
        MppsFinalDataset(status, DicomNow(),
                         PerformedSeriesOf(storedAll ? stored.headers : none, archive->calledAET)));
    if (!steps.End("mpps-end", ended, created.instanceUID + " " + std::string(status)) ||
        !storedAll) {
      return;
    }
    steps.Start();
    std::vector<InstanceReference> refs;
    for (const InstanceHeader& header : stored.headers)
      refs.push_back(header.reference);
    CommitResult committed = CommitWithSettings(*archive, refs, *commit);
    size_t notCommitted = 0;
    if (committed.report) {
      notCommitted = ReportCommitment(run, committed, stored.headers);
      if (notCommitted > 0) {
        committed.Set(ServiceResult::Failed(
            ServiceFailure::kStatus, std::to_string(notCommitted) + " of " +
                                         std::to_string(refs.size()) + " instances not committed"));
      }
    }
    ok = steps.End("commit", committed,
                   std::to_string(refs.size()) + " instances committed" +
                       (committed.onNewAssociation ? " (report on a new association)" : ""));
  }();
  steps.Finish();
  if (!ok) ReportReason("workflow", steps.Failure());
  ReportOperation(run, kOperation, ok, *archive);
  return run.Finish(ok ? 0 : 1, steps.Failure());
}

}  // namespace norvane::cli
