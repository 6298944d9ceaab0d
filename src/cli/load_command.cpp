// norvane load [HOST PORT] FILES|FOLDER: many associations at once, each sending the files
// (or C-ECHOs, or one C-FIND) in a loop, and what the node's answers measured.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.hpp"
#include "cli/file_arguments.hpp"
#include "cli/invocation.hpp"
#include "cli/load_statistics.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/query_keys.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "datadec/new_uid.hpp"
#include "dictionary/uid_names.hpp"
#include "dimse/find_request.hpp"
#include "dimse/query_identifier.hpp"
#include "dimse/query_responses.hpp"
#include "dimse/store_contexts.hpp"
#include "dimse/store_scu.hpp"
#include "dimse/verification.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane::cli {
namespace {

using Clock = LoadStatistics::Clock;

constexpr const char* kOperation = "LOAD";
constexpr long kMaxAssociations = 1024;

void PrintHelp() {
  std::printf(
      "usage: norvane load [HOST PORT] FILE|FOLDER... [options]\n"
      "       norvane load [HOST PORT] --echo [options]\n"
      "       norvane load [HOST PORT] --find KEYS [options]\n\n"
      "Puts a node under load: --associations associations at once, each on a thread of\n"
      "its own, send the files (those in a FOLDER directly, in name order) with C-STORE\n"
      "in a loop, one after the other, until --count objects have gone out in all or\n"
      "--duration has passed, whichever comes first. Without either, every association\n"
      "sends each file once (makes one echo or query). Each association proposes, for\n"
      "every file, what norvane store proposes for it; a file goes out as norvane store\n"
      "sends it. With --echo the operations are C-ECHOs, with --find C-FINDs (Study\n"
      "Root, STUDY level). Every association stays open for all its operations; one the\n"
      "peer ends is opened again; one that cannot be opened counts as one failed\n"
      "operation and ends that association's loop.\n\n"
      "Prints the number of operations and failures, the throughput (operations that\n"
      "succeeded per second, and MB/s of the files stored: 10^6 bytes of their file\n"
      "sizes), the latency of one operation (request to final response) at p50, p95,\n"
      "p99 and the maximum in milliseconds, each failure with how often it came (by\n"
      "status or reason; also on standard error), one line per second of the run\n"
      "(the operations that ended in it), then \"LOAD OK\" or \"LOAD failed: N of M\n"
      "operations failed\".\n\n"
      "options:\n%s"
      "  --associations N   associations at once (default 1, at most %ld)\n"
      "  --count M          send M objects (operations) in all, over every association\n"
      "  --duration S       go on for S seconds (whole or decimal)\n"
      "  --new-uids         give every object sent new Study, Series and SOP Instance\n"
      "                     UIDs (2.25. UUID-derived), so an archive keeps every one as\n"
      "                     an object of its own; the files are not changed\n"
      "  --echo             C-ECHO instead of C-STORE; no FILE\n"
      "  --find KEYS        C-FIND instead of C-STORE, with the matching keys\n"
      "                     FIELD=VALUE[,FIELD=VALUE...] of a STUDY query as norvane find\n"
      "                     names them (\"\" for all studies); no FILE. More matches than\n"
      "                     10000 cut a query off, which counts as a failure\n"
      "  --ts SYNTAX        preferred transfer syntax, as for norvane store: a UID or one of\n%s"
      "  --no-convert       never convert: a file goes out in its own syntax only\n"
      "  -q, --quiet        no per-second lines\n"
      "%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 every operation succeeded (status 0x0000), 1 any failed (or a file\n"
      "cannot be read, then nothing is sent), 2 bad command line\n",
      kNetworkHelp, kMaxAssociations, kTransferSyntaxAliasHelp, kJsonHelp);
}

enum class LoadMode { kStore, kEcho, kFind };

// Whether another operation may start: the count (0: none) and the deadline shared by every
// association.
class LoadBudget {
 public:
  LoadBudget(size_t count, Clock::time_point deadline) : count_(count), deadline_(deadline) {}
  bool Take() {
    if (count_ != 0 && taken_.fetch_add(1) >= count_) return false;
    return Clock::now() < deadline_;
  }

 private:
  size_t count_;
  Clock::time_point deadline_;
  std::atomic<size_t> taken_{0};
};

struct LoadPlan {
  LoadMode mode = LoadMode::kStore;
  AssociationParameters peer;
  std::vector<std::string> files;
  std::vector<uint64_t> fileBytes;
  std::vector<ContextProposal> contexts;  // of every file
  std::string preferred;
  bool convert = true;
  bool newUIDs = false;
  TagList identifier;  // of --find
};

std::string FailureText(const ServiceResult& result) {
  return result.reason.empty() ? std::string("failed") : NameUIDsInText(result.reason);
}

// One association's loop: `open` opens it, `operate` runs one operation on it and tells the
// bytes it moved. The association is opened again when the peer ended it.
template <class Open, class Operate>
void RunAssociation(LoadBudget& budget, LoadStatistics& statistics, Open open, Operate operate) {
  std::optional<RequesterAssociation> pdu;
  while (budget.Take()) {
    if (!pdu || !pdu->Connected()) {
      if (pdu) CloseAssoc(*pdu);
      pdu.emplace();
      if (LogLevel() > 1) pdu->SetTrace(true);
      const Clock::time_point start = Clock::now();
      const ServiceResult association = open(*pdu);
      if (!association) {
        const Clock::time_point end = Clock::now();
        statistics.Add(end, end - start, 0, FailureText(association));
        break;
      }
    }
    uint64_t bytes = 0;
    const Clock::time_point start = Clock::now();
    const ServiceResult result = operate(*pdu, bytes);
    const Clock::time_point end = Clock::now();
    statistics.Add(end, end - start, bytes, result ? std::string() : FailureText(result));
  }
  if (pdu) CloseAssoc(*pdu);
}

// Each file is read again just before it goes out, as norvane store reads it: the memory and
// open files of a run do not grow with the number of files or associations.
void StoreLoop(const LoadPlan& plan, size_t first, LoadBudget& budget, LoadStatistics& statistics) {
  size_t next = first;
  RunAssociation(
      budget, statistics,
      [&](RequesterAssociation& pdu) {
        return WithProposal(OpenAssoc(pdu, plan.peer, plan.contexts), plan.contexts, plan.convert);
      },
      [&](PDU_Service& pdu, uint64_t& bytes) {
        const size_t file = next++ % plan.files.size();
        TagList dataset;
        StoreResult result;
        if (!LoadObjectForStore(plan.files[file], dataset, result)) {
          return ServiceResult::Failed(ServiceFailure::kLocal,
                                       plan.files[file] + ": " + result.reason);
        }
        if (plan.newUIDs) RenewInstanceUIDs(dataset);
        ExchangeStore(pdu, dataset, result.sopClass, plan.convert, result, plan.preferred);
        bytes = plan.fileBytes[file];
        return ServiceResult(result);
      });
}

void EchoLoop(const LoadPlan& plan, LoadBudget& budget, LoadStatistics& statistics) {
  RunAssociation(
      budget, statistics,
      [&](RequesterAssociation& pdu) { return OpenAssoc(pdu, plan.peer, uid::kVerification); },
      [](PDU_Service& pdu, uint64_t&) {
        const ServiceResult sent = WriteEchoRQ(pdu, uid::kVerification);
        return sent ? ReadEchoRSP(pdu) : sent;
      });
}

void FindLoop(const LoadPlan& plan, LoadBudget& budget, LoadStatistics& statistics) {
  constexpr std::string_view kModel = uid::kStudyRootQueryRetrieveFind;
  RunAssociation(
      budget, statistics,
      [&](RequesterAssociation& pdu) { return OpenAssoc(pdu, plan.peer, kModel); },
      [&](PDU_Service& pdu, uint64_t&) {
        FindResult result;
        const uint16_t messageID = pdu.NextMessageID();
        result.Set(SendFindRequest(pdu, plan.identifier, kModel, messageID));
        std::vector<TagList> matches;
        if (result) {
          ReadQueryResponses<TagList>(pdu, kModel, messageID, kDefaultMaxResults,
                                      ReadFindIdentifier, matches, result);
        }
        return ServiceResult(result);
      });
}

// The files read once before anything is sent: their sizes and the contexts of them all.
// The problem with the first file that cannot be sent; empty when none.
std::string PlanStore(LoadPlan& plan) {
  for (const std::string& file : plan.files) {
    TagList dataset;
    StoreResult loaded;
    if (!LoadObjectForStore(file, dataset, loaded) || !UsableSOPClass(loaded)) {
      return file + ": " + loaded.reason;
    }
    if (!AddContexts(plan.contexts, StoreContexts(dataset, loaded.sopClass, loaded.fileSyntax,
                                                  plan.preferred, plan.convert))) {
      return "the files need more than 128 presentation contexts: give fewer SOP classes";
    }
    std::error_code ignored;
    const uintmax_t size = std::filesystem::file_size(file, ignored);
    plan.fileBytes.push_back(size == static_cast<uintmax_t>(-1) ? 0 : size);
  }
  return {};
}

std::vector<std::string> SplitKeys(const std::string& keys) {
  std::vector<std::string> split;
  std::stringstream stream(keys);
  for (std::string key; std::getline(stream, key, ',');) {
    if (!key.empty()) split.push_back(key);
  }
  return split;
}

// The options that set the mode and the amount; the problem, or empty.
std::string ReadAmount(const ParsedArgs& args, size_t& associations, size_t& count,
                       std::optional<Clock::duration>& duration) {
  if (const auto value = args.Value("--associations")) {
    const std::optional<long> n = ParseNumber(*value);
    if (!n || *n < 1 || *n > kMaxAssociations) {
      return "--associations takes a number from 1 to " + std::to_string(kMaxAssociations) +
             ", not '" + *value + "'";
    }
    associations = static_cast<size_t>(*n);
  }
  if (const auto value = args.Value("--count")) {
    const std::optional<long> n = ParseNumber(*value);
    if (!n || *n < 1) return "--count takes a whole number above 0, not '" + *value + "'";
    count = static_cast<size_t>(*n);
  }
  if (const auto value = args.Value("--duration")) {
    const std::optional<std::chrono::milliseconds> seconds = ParseSeconds(*value);
    if (!seconds || seconds->count() == 0) {
      return "--duration takes a number of seconds above 0, not '" + *value + "'";
    }
    duration = *seconds;
  }
  return {};
}

}  // namespace

std::vector<OptionSpec> LoadOptions() {
  return NetworkOptionsAnd({{"--associations", true},
                            {"--count", true},
                            {"--duration", true},
                            {"--new-uids", false},
                            {"--echo", false},
                            {"--find", true},
                            {"--ts", true, kTransferSyntaxChoices},
                            {"--no-convert", false},
                            {"-q", false},
                            {"--quiet", false}});
}

int RunLoad(int argc, char** argv) {
  Invocation run("load", argc, argv, LoadOptions());
  ParsedArgs& args = run.Args();
  LoadPlan plan;
  if (args.Has("--echo") && args.Has("--find")) return run.Usage("give --echo or --find, not both");
  plan.mode = args.Has("--echo")   ? LoadMode::kEcho
              : args.Has("--find") ? LoadMode::kFind
                                   : LoadMode::kStore;
  Peer peer;
  const size_t requiredAfter = plan.mode == LoadMode::kStore ? 1 : 0;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, requiredAfter, peer)) {
    return *status;
  }
  size_t associations = 1;
  size_t count = 0;
  std::optional<Clock::duration> duration;
  if (const std::string problem = ReadAmount(args, associations, count, duration);
      !problem.empty()) {
    return run.Usage(problem);
  }
  const char* unit = "objects";
  if (plan.mode == LoadMode::kStore) {
    if (args.positionals.empty() || LooksLikeAPeerAlone(args.positionals)) {
      return run.Usage("give at least one FILE or FOLDER");
    }
    for (const std::string& path : args.positionals) {
      std::error_code ignored;
      if (!std::filesystem::exists(path, ignored)) return run.Usage("no such file: " + path);
    }
    if (const auto ts = args.Value("--ts")) {
      const std::optional<std::string> uid = ResolveTransferSyntax(*ts);
      if (!uid) return run.Usage(TransferSyntaxProblem(*ts));
      plan.preferred = *uid;
    }
    plan.convert = !args.Has("--no-convert");
    plan.newUIDs = args.Has("--new-uids");
    std::vector<std::string> emptyFolders;
    plan.files = ExpandFileArguments(args.positionals, emptyFolders);
    if (!emptyFolders.empty()) return run.Usage(emptyFolders.front() + " holds no DICOM files");
  } else {
    for (const char* storeOnly : {"--new-uids", "--ts", "--no-convert"}) {
      if (args.Has(storeOnly))
        return run.Usage(std::string(storeOnly) + " applies to C-STORE only");
    }
    unit = plan.mode == LoadMode::kEcho ? "echoes" : "queries";
  }
  if (plan.mode == LoadMode::kFind) {
    StudyInfo query;
    std::string error;
    if (!ApplyQueryKeys(SplitKeys(*args.Value("--find")), query, error)) return run.Usage(error);
    BuildIdentifier(query, plan.identifier);
  }
  const size_t perAssociation = plan.mode == LoadMode::kStore ? plan.files.size() : 1;
  if (count == 0 && !duration) count = associations * perAssociation;

  run.Report()["mode"] = plan.mode == LoadMode::kStore  ? "store"
                         : plan.mode == LoadMode::kEcho ? "echo"
                                                        : "find";
  run.Report()["associations"] = associations;
  if (plan.mode == LoadMode::kStore) {
    if (const std::string problem = PlanStore(plan); !problem.empty()) {
      ReportReason("load", problem + "; nothing sent");
      return run.Finish(1, problem);
    }
  }
  plan.peer = peer.Parameters();

  WriteLog(std::string("Starting ") + kOperation + " with " + std::to_string(associations) +
           " associations");
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = duration ? start + *duration : Clock::time_point::max();
  LoadBudget budget(count, deadline);
  LoadStatistics statistics(start);
  {
    std::vector<std::jthread> threads;
    threads.reserve(associations);
    for (size_t i = 0; i < associations; ++i) {
      threads.emplace_back([&, i] {
        switch (plan.mode) {
          case LoadMode::kStore:
            StoreLoop(plan, i, budget, statistics);
            break;
          case LoadMode::kEcho:
            EchoLoop(plan, budget, statistics);
            break;
          case LoadMode::kFind:
            FindLoop(plan, budget, statistics);
            break;
        }
      });
    }
  }
  const LoadSummary summary = statistics.Summarize(Clock::now());

  const bool quiet = args.Has("-q") || args.Has("--quiet");
  for (const std::string& line : LoadLines(summary, unit, plan.mode == LoadMode::kStore, !quiet))
    run.Out(line);
  for (const auto& [failure, times] : summary.failures)
    ReportReason("load", std::to_string(times) + "x: " + failure);
  run.Report()["load"] = LoadJson(summary);
  const bool ok = summary.failed == 0 && summary.operations > 0;
  const std::string closing = ok ? std::string("LOAD OK")
                                 : "LOAD failed: " + std::to_string(summary.failed) + " of " +
                                       std::to_string(summary.operations) + " operations failed";
  run.Out(closing);
  WriteLog(closing);
  return run.Finish(ok ? 0 : 1, ok ? std::string() : closing);
}

}  // namespace norvane::cli
