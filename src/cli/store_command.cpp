// norvane store [HOST PORT] FILE...: the files sent with C-STORE over as few associations
// as their presentation contexts need.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/file_arguments.hpp"
#include "cli/invocation.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/store_report.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "dimse/dicom_files.hpp"
#include "dimse/store_files.hpp"
#include "log/log.hpp"
#include "platform/folders.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "STORE";

void PrintHelp() {
  std::printf(
      "usage: norvane store [HOST PORT] FILE... [options]\n\n"
      "Sends each DICOM Part 10 FILE with C-STORE, in the order given, over as few\n"
      "associations as possible: one for all files whose presentation contexts fit one\n"
      "association request (128 contexts), a new one when the peer ends an association\n"
      "early. A FOLDER given as FILE stands for the files directly in it that have \"DICM\"\n"
      "at byte 128, in name order (subfolders are not entered).\n\n"
      "For each file's SOP class the association proposes one presentation context per\n"
      "transfer syntax, in this order: the --ts syntax (left out for non-image objects\n"
      "such as structured reports, waveforms, presentation states and RT plans), the\n"
      "file's own syntax, and implicit VR little endian; a syntax the file cannot be\n"
      "converted to (JPEG baseline for 16-bit images, a compressed syntax for 1-bit\n"
      "images, anything for a file in a syntax that cannot be decoded) is left out, and\n"
      "with --no-convert only the file's own is proposed. The file goes out on the first\n"
      "accepted of them in that order, converted when its syntax is not the file's\n"
      "(implicit/explicit VR little endian, explicit VR big endian, deflated explicit VR\n"
      "little endian, JPEG baseline, JPEG lossless, RLE, JPEG-LS, JPEG 2000; near-lossless\n"
      "and lossy coding with the defaults of norvane convert).\n\n"
      "Prints one line per file, \"FILE: stored (0x0000)\" or \"FILE: failed, ...\" with\n"
      "the peer's status or the reason, then \"STORE OK\" or \"STORE failed: N of M files\n"
      "not stored\". Only status 0x0000 counts as stored; warnings count as failures.\n"
      "For each file not stored, standard error and the log say why: the status with its\n"
      "meaning (\"norvane store: FILE: C-STORE-RSP status 0xA700 (Refused: Out of\n"
      "Resources)\"), the rejection, abort or time-out of the association, or the problem\n"
      "with the file.\n"
      "With more than one file, a counter n/total runs on standard error when it is a\n"
      "terminal. After \"STORE OK\" standard error sums up: the number of files, their\n"
      "bytes, the time taken and the rate.\n\n"
      "options:\n%s"
      "  --ts SYNTAX        preferred transfer syntax: a UID, or one of\n%s"
      "  --no-convert       never convert: only the file's own transfer syntax is\n"
      "                     proposed; a file the peer refuses in it counts as failed\n"
      "  -q, --quiet        no lines for stored files and no counter: only failures and\n"
      "                     the closing line\n"
      "%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 every file stored, 1 any file not stored (or a FOLDER without DICOM\n"
      "files, then nothing is sent), 2 bad command line\n",
      kNetworkHelp, kTransferSyntaxAliasHelp, kJsonHelp);
}

}  // namespace

std::vector<OptionSpec> StoreOptions() {
  return NetworkOptionsAnd({{"--ts", true, kTransferSyntaxChoices},
                            {"--no-convert", false},
                            {"-q", false},
                            {"--quiet", false}});
}

int RunStore(int argc, char** argv) {
  Invocation run("store", argc, argv, StoreOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 1, peer)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.empty() || LooksLikeAPeerAlone(args.positionals)) {
    return run.Usage("give at least one FILE");
  }
  std::string preferred;
  if (const auto ts = args.Value("--ts")) {
    const std::optional<std::string> uid = ResolveTransferSyntax(*ts);
    if (!uid) return run.Usage(TransferSyntaxProblem(*ts));
    preferred = *uid;
  }
  const bool convert = !args.Has("--no-convert");
  const bool quiet = args.Has("-q") || args.Has("--quiet");

  std::vector<std::string> emptyFolders;
  const std::vector<std::string> files = ExpandFileArguments(args.positionals, emptyFolders);
  if (!emptyFolders.empty()) {
    for (const std::string& folder : emptyFolders) {
      ReportReason("store", folder + " holds no DICOM files; nothing sent");
    }
    return run.Finish(1, emptyFolders.front() + " holds no DICOM files; nothing sent");
  }

  WriteLog(std::string("Starting ") + kOperation + " Service");
  TransferReport report(run, peer, quiet);
  report.SetTotal(files.size());
  StoreFiles(peer.Parameters(), files, preferred, convert,
             [&](size_t i, const StoreResult& result) { report.Add(files[i], result); });
  report.Finish(files.size());
  const std::string summary = SummaryLine(kOperation, report.NotStored(), files.size());
  run.Out(summary);
  WriteLog(summary);
  const bool ok = report.NotStored() == 0;
  if (ok) {
    ReportSummary("store", SummaryText(files.size(), "file", "files", report.StoredBytes(),
                                       report.Elapsed()));
  }
  return run.Finish(ok ? 0 : 1, ok ? std::string() : summary);
}

}  // namespace norvane::cli
