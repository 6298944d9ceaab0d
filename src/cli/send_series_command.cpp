// norvane send-series [HOST PORT] FOLDER: every image of a local series folder over one
// association.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/store_report.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "dictionary/uid_names.hpp"
#include "dimse/send_series.hpp"
#include "log/log.hpp"
#include "platform/folders.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "SEND SERIES";

void PrintHelp() {
  std::printf(
      "usage: norvane send-series [HOST PORT] FOLDER [options]\n\n"
      "Sends every image of a series folder with C-STORE over one association. In a\n"
      "folder of the local database (as written by norvane scp) the files are the ones\n"
      "its Image.dir lists, in index order: FOLDER/<third field>.dcm per line. A folder\n"
      "without Image.dir sends the files directly in it that have \"DICM\" at byte 128,\n"
      "in name order.\n\n"
      "The association proposes what norvane store proposes for the first file: for its\n"
      "SOP class one presentation context per transfer syntax (the --ts syntax unless\n"
      "the objects are non-image ones, the first file's syntax, implicit VR little\n"
      "endian), each one the first file can be converted to. Every file goes out under\n"
      "that SOP class on the accepted context of the --ts syntax, else of its own, else\n"
      "of implicit VR little endian, else the first it can be converted to, converted\n"
      "when the syntax is not its own. A failing file does not stop the series; when\n"
      "the first file cannot be read, nothing is sent.\n\n"
      "Prints one line per file, \"FILE: stored (0x0000)\" or \"FILE: failed, ...\", then\n"
      "\"SEND SERIES OK\" or \"SEND SERIES failed: N of M files not stored\". A counter\n"
      "n/total runs on standard error when it is a terminal. Standard error and the log\n"
      "also say why: for each file not stored (\"norvane send-series: FILE: reason\"), and\n"
      "when nothing could be sent. After \"SEND SERIES OK\" standard error sums up: the\n"
      "number of files, their bytes, the time taken and the rate.\n\n"
      "options:\n%s"
      "  --ts SYNTAX        preferred transfer syntax: a UID, or one of\n%s"
      "  --no-convert       never convert: only the first file's transfer syntax is\n"
      "                     proposed; a file in another one is not sent and counts as\n"
      "                     failed\n"
      "  -q, --quiet        no lines for stored files and no counter: only failures and\n"
      "                     the closing line\n"
      "%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 every file stored, 1 any file not stored (or none to send),\n"
      "2 bad command line\n",
      kNetworkHelp, kTransferSyntaxAliasHelp, kJsonHelp);
}

// Why nothing went out, as one line.
std::string SeriesProblem(const SeriesResult& series, const Peer& peer) {
  if (series.failure == ServiceFailure::kLocal) return "nothing sent: " + series.reason;
  return "nothing sent: no association with " + peer.calledAET + " (" + peer.host + ":" +
         peer.port + ") for SOP class " + series.sopClass + ": " + series.reason;
}

}  // namespace

std::vector<OptionSpec> SendSeriesOptions() {
  return NetworkOptionsAnd({{"--ts", true, kTransferSyntaxChoices},
                            {"--no-convert", false},
                            {"-q", false},
                            {"--quiet", false}});
}

int RunSendSeries(int argc, char** argv) {
  Invocation run("send-series", argc, argv, SendSeriesOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 1, peer)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.size() != 1) return run.Usage("give exactly one FOLDER");
  const std::string folder = args.positionals.front();
  if (!DirectoryExists(folder)) return run.Usage(folder + " is not a folder");
  std::string preferred;
  if (const auto ts = args.Value("--ts")) {
    const std::optional<std::string> uid = ResolveTransferSyntax(*ts);
    if (!uid) return run.Usage(TransferSyntaxProblem(*ts));
    preferred = *uid;
  }
  const bool convert = !args.Has("--no-convert");
  run.Report()["folder"] = folder;

  WriteLog(std::string("Starting ") + kOperation + " Service");
  TransferReport report(run, peer, args.Has("-q") || args.Has("--quiet"));
  const SeriesResult series =
      SendSeries(peer.Parameters(), folder, preferred, convert,
                 [&](size_t, size_t count, const std::string& file, const StoreResult& r) {
                   report.SetTotal(count);
                   report.Add(file, r);
                 });

  std::string reason = series.reason;
  if (!series.associated) {
    // Nothing went out: each file read so far says why, then the series' problem.
    for (size_t i = 0; i < series.results.size(); ++i) {
      report.Line(FileReportLine(series.files[i], series.results[i], peer));
    }
    reason = SeriesProblem(series, peer);
    report.Line(NameUIDsInText(reason));
    ReportReason("send-series", reason);
    for (size_t i = series.results.size(); i < series.files.size(); ++i) {
      report.Line(series.files[i] + ": not sent");
    }
  }
  report.Finish(series.files.size());
  const size_t notStored = series.associated ? report.NotStored() : series.files.size();
  const std::string summary = SummaryLine(kOperation, notStored, series.files.size());
  run.Out(summary);
  WriteLog(summary);
  if (series.Ok()) {
    ReportSummary("send-series", SummaryText(series.files.size(), "file", "files",
                                             report.StoredBytes(), report.Elapsed()));
  }
  return run.Finish(series.Ok() ? 0 : 1, series.Ok() ? std::string() : reason);
}

}  // namespace norvane::cli
