// norvane send-series [HOST PORT] FOLDER: every image of a local series folder over one
// association.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.hpp"
#include "cli/options.hpp"
#include "cli/store_report.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "dimse/send_series.hpp"
#include "log/log.hpp"
#include "platform/folders.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "SEND SERIES";

constexpr OptionSpec kSendSeriesOptions[] = {
    {"--aet", true}, {"--aec", true}, {"--log", true},        {"--log-level", true},
    {"-v", false},   {"--ts", true},  {"--no-convert", false}};

void PrintHelp(std::FILE* out) {
  std::fprintf(
      out,
      "usage: norvane send-series [HOST PORT] FOLDER [options]\n\n"
      "Sends every image of a series folder with C-STORE over one association. In a\n"
      "folder of the local database (as written by norvane scp) the files are the ones\n"
      "its Image.dir lists, in index order: FOLDER/<third field>.dcm per line. A folder\n"
      "without Image.dir sends the files directly in it that have \"DICM\" at byte 128,\n"
      "in name order.\n\n"
      "The association proposes one presentation context for the first file's SOP class\n"
      "(the --ts syntax unless the objects are non-image ones, the first file's syntax,\n"
      "implicit VR little endian). Every file goes out under that SOP class, converted to\n"
      "the accepted transfer syntax when it is in another one. A failing file does not\n"
      "stop the series; when the first file cannot be read, nothing is sent.\n\n"
      "Prints one line per file, \"FILE: stored (0x0000)\" or \"FILE: failed, ...\", then\n"
      "\"SEND SERIES OK\" or \"SEND SERIES failed: N of M files not stored\". A counter\n"
      "n/total runs on standard error when it is a terminal.\n\n"
      "options:\n%s"
      "  --ts SYNTAX        preferred transfer syntax: a UID, or one of\n%s"
      "  --no-convert       never convert: a file the peer accepts only in another\n"
      "                     transfer syntax is not sent and counts as failed\n"
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
  ParsedArgs args = ParseArgs(argc, argv, kSendSeriesOptions);
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
  if (!ApplyLogOptions(args, peer.logLevel)) return 2;

  WriteLog(std::string("Starting ") + kOperation + " Service");
  std::optional<ProgressCounter> progress;
  const SeriesResult series =
      SendSeries(peer.host, peer.port, peer.callingAET, peer.calledAET, folder, preferred, convert,
                 [&](size_t index, size_t count, const std::string& file, const StoreResult& r) {
                   if (!progress) progress.emplace(count);
                   progress->Report(FileReportLine(file, r, peer), index + 1);
                 });
  progress.reset();

  size_t notStored = 0;
  if (!series.associated) {
    // Nothing went out: say why, then each file.
    for (size_t i = 0; i < series.results.size(); ++i) {
      std::printf("%s\n", FileReportLine(series.files[i], series.results[i], peer).c_str());
    }
    std::printf("%s\n", SeriesProblem(series, peer).c_str());
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
