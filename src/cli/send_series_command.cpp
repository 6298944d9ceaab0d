// norvane send-series [HOST PORT] FOLDER: every image of a local series folder over one
// association.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/store_report.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "dimse/send_series.hpp"
#include "log/log.hpp"
#include "platform/folders.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "SEND SERIES";

void PrintHelp(std::FILE* out) {
  std::fprintf(
      out,
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
      "when nothing could be sent.\n\n"
      "options:\n%s"
      "  --ts SYNTAX        preferred transfer syntax: a UID, or one of\n%s"
      "  --no-convert       never convert: only the first file's transfer syntax is\n"
      "                     proposed; a file in another one is not sent and counts as\n"
      "                     failed\n"
      "  -h, --help         show this help\n\n"
      "exit status: 0 every file stored, 1 any file not stored (or none to send),\n"
      "2 bad command line\n",
      kNetworkHelp, kTransferSyntaxAliasHelp);
}

// Why nothing went out, as one line.
std::string SeriesProblem(const SeriesResult& series, const Peer& peer) {
  if (series.failure == ServiceFailure::kLocal) return "nothing sent: " + series.reason;
  return "nothing sent: no association with " + peer.calledAET + " (" + peer.host + ":" +
         peer.port + ") for SOP class " + series.sopClass + ": " + series.reason;
}

}  // namespace

int RunSendSeries(int argc, char** argv) {
  ParsedArgs args =
      ParseArgs(argc, argv, NetworkOptionsAnd({{"--ts", true}, {"--no-convert", false}}));
  if (args.help) {
    PrintHelp(stdout);
    return 0;
  }
  if (!args.error.empty()) {
    std::fprintf(stderr, "norvane send-series: %s (see norvane send-series --help)\n",
                 args.error.c_str());
    return 2;
  }
  Peer peer = ResolvePeer(args, 1);
  if (args.positionals.size() != 1) {
    std::fprintf(stderr,
                 "norvane send-series: give exactly one FOLDER (see norvane send-series "
                 "--help)\n");
    return 2;
  }
  const std::string folder = args.positionals.front();
  if (!DirectoryExists(folder)) {
    std::fprintf(stderr, "norvane send-series: %s is not a folder\n", folder.c_str());
    return 2;
  }
  std::string preferred;
  if (const auto ts = args.Value("--ts")) {
    const std::optional<std::string> uid = ResolveTransferSyntax(*ts);
    if (!uid) {
      std::fprintf(stderr,
                   "norvane send-series: --ts '%s' is neither a transfer syntax UID nor one of\n%s",
                   ts->c_str(), kTransferSyntaxAliasHelp);
      return 2;
    }
    preferred = *uid;
  }
  const bool convert = !args.Has("--no-convert");
  if (!ApplyTimeoutOptions(args, "send-series", peer) || !ApplyLogOptions(args, peer.logLevel)) {
    return 2;
  }

  WriteLog(std::string("Starting ") + kOperation + " Service");
  std::optional<ProgressCounter> progress;
  const SeriesResult series =
      SendSeries(peer.Parameters(), folder, preferred, convert,
                 [&](size_t index, size_t count, const std::string& file, const StoreResult& r) {
                   if (!progress) progress.emplace(count);
                   progress->Report(FileReportLine(file, r, peer), index + 1);
                   ReportFileFailure("send-series", file, r);
                 });
  progress.reset();

  size_t notStored = 0;
  if (!series.associated) {
    // Nothing went out: say why, then each file.
    for (size_t i = 0; i < series.results.size(); ++i) {
      std::printf("%s\n", FileReportLine(series.files[i], series.results[i], peer).c_str());
    }
    const std::string problem = SeriesProblem(series, peer);
    std::printf("%s\n", problem.c_str());
    ReportReason("send-series", problem);
    for (size_t i = series.results.size(); i < series.files.size(); ++i) {
      std::printf("%s: not sent\n", series.files[i].c_str());
    }
    notStored = series.files.size();
  } else {
    for (const StoreResult& r : series.results) {
      if (!r.Ok()) ++notStored;
    }
  }
  const std::string summary = SummaryLine(kOperation, notStored, series.files.size());
  std::printf("%s\n", summary.c_str());
  std::fflush(stdout);
  WriteLog(summary);
  return series.Ok() ? 0 : 1;
}

}  // namespace norvane::cli
