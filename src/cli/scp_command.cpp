#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "cli/commands.hpp"
#include "cli/move_destination_options.hpp"
#include "cli/options.hpp"
#include "net/command_set.hpp"
#include "net/dimse_response.hpp"
#include "platform/folders.hpp"
#include "scp/store_scp.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kDefaultPort = "104";
constexpr const char* kDefaultFolder = "./Database";
constexpr const char* kDefaultTitle = "NORVANE";

constexpr OptionSpec kScpOptions[] = {
    {"--port", true},
    {"--folder", true},
    {"--aet", true},
    {"--loopback", false},
    {"-q", false},
    {"--quiet", false},
    {"--log", true},
    {"--log-level", true},
    {"-v", false},
    {"--max-associations", true},
    {"--artim-timeout", true},
    {"--idle-timeout", true},
    {"--worklist", true},
    {"--accept-all-storage", false},
    {"--dest", true},
    {"--dest-file", true},
};

constexpr long kDefaultMaxAssociations = 16;
constexpr long kMostAssociations = 1024;
constexpr long kDefaultArtimSeconds = 30;
constexpr long kDefaultIdleSeconds = 60;
constexpr long kLongestTimeoutSeconds = 86400;

void PrintHelp() {
  std::printf(
      "usage: norvane scp [options]\n\n"
      "Runs a storage SCP in the foreground until SIGINT or SIGTERM (then exit status 0).\n"
      "It answers C-ECHO and stores every object received with C-STORE as\n"
      "  FOLDER/<Study Instance UID>/<Series Instance UID>/<SOP Instance UID>.dcm\n"
      "in the transfer syntax it arrived in, and records it in the index files\n"
      "FOLDER/KPStudy.dir, <study>/Series.dir and <series>/Image.dir. An object sent again\n"
      "replaces its file and adds no index line. The C-STORE response goes out after the\n"
      "file and its index lines are written: status 0x0000 (Success), 0xA700 (Out of\n"
      "Resources) when they cannot be written, 0xC000 (Cannot Understand) when the\n"
      "object's UIDs cannot name a file or are longer than 64 characters. A file is in\n"
      "place before its index lines are written; commas in values are written as '^'\n"
      "in person names and ';' elsewhere, line breaks as blanks. Files a killed SCP was\n"
      "writing (FOLDER/.incoming-*) are removed at start.\n"
      "Up to --max-associations associations are served at once, each on its own thread;\n"
      "as many more connections wait in the listen queue until a place is free. A\n"
      "connection that has not sent its whole\n"
      "A-ASSOCIATE-RQ within --artim-timeout seconds, and an association whose peer makes\n"
      "no progress (no message completed, less than 1 KiB of one received) for\n"
      "--idle-timeout seconds, is closed, so that silent or trickling peers give their\n"
      "place up. A data set sent where a command is due is answered with an A-ABORT.\n"
      "Accepted: Verification and the storage SOP classes CR, DX, MG, CT, MR, US, US\n"
      "multi-frame, XA, RF, NM, PET, SC, Basic Text and Enhanced SR, Encapsulated PDF\n"
      "(with --accept-all-storage every storage SOP class the dictionary knows), the\n"
      "Study Root FIND, MOVE and GET and the Patient Root FIND SOP classes, and with\n"
      "--worklist the Modality Worklist FIND; with JPEG Lossless (SV1), implicit VR\n"
      "little endian, explicit VR little endian, JPEG Baseline, RLE Lossless, JPEG-LS\n"
      "Lossless, JPEG 2000 Lossless, JPEG-LS Near-Lossless, JPEG 2000 or Deflated\n"
      "Explicit VR Little Endian, preferred in that order.\n\n"
      "C-FIND is answered from the stored objects: Study Root at STUDY, SERIES and IMAGE\n"
      "level, Patient Root at PATIENT, STUDY, SERIES and IMAGE level. Keys match by single\n"
      "value, '*' and '?' wildcards, date and time ranges (A-B, A-, -B), UID lists\n"
      "(A\\B) and universal matching (empty value); a patient, study or series matches with\n"
      "the values of its first stored object. Each key is answered from the objects; keys\n"
      "below the query level are answered empty. Numbers of related series and instances\n"
      "and the modalities in a study are counted. With --worklist, modality worklist\n"
      "queries are answered from the worklist files DIR/*.wl (DICOM files as dump2dcm\n"
      "writes them, little endian), matching keys inside the Scheduled Procedure Step\n"
      "Sequence against its items. A query without a known level gets status 0xA900, one\n"
      "that cannot be served 0xC000. Other commands get no response: the association\n"
      "is released.\n\n"
      "Retrieval (Study Root): C-MOVE and C-GET select the stored objects by the unique\n"
      "keys of their level (StudyInstanceUID; SeriesInstanceUID; SOPInstanceUID; each a\n"
      "single UID or a list separated by '\\'); an identifier without the key of its\n"
      "level gets status 0xA900. C-MOVE sends them to a destination of --dest over an\n"
      "association of its own, proposing each SOP class with the object's own transfer\n"
      "syntax and the uncompressed ones; C-GET sends them back on the requester's\n"
      "association, for the storage classes it took the SCP role for (role selection).\n"
      "A pending response after each object tells the remaining, completed, failed and\n"
      "warning sub-operations; the final status is 0x0000 when all completed, 0xB000\n"
      "when some failed, 0xA702 when none completed, 0xFE00 after a C-CANCEL (C-GET),\n"
      "with the Failed SOP Instance UID List. A C-MOVE to an AE title that is not a\n"
      "destination gets 0xA801.\n\n"
      "Prints \"listening on port N as TITLE, storing in FOLDER/\" once listening, then\n"
      "\"stored FILE\" for each object, and on standard error \"not stored UID from AE:\n"
      "REASON (status 0xNNNN)\" for each object that was not.\n\n"
      "options:\n"
      "  --port N           TCP port to listen on (default %s); 0 picks a free port\n"
      "  --folder DIR       storage folder and database root (default %s), created\n"
      "                     when missing\n"
      "  --aet TITLE        AE title shown in the start line and calling title of the\n"
      "                     associations to C-MOVE destinations (default %s); callers\n"
      "                     may use any called AE title, it is not checked\n"
      "  --loopback         listen on 127.0.0.1 only (default: every local address)\n"
      "  --max-associations N\n"
      "                     associations served at once, 1 to 1024 (default %ld)\n"
      "  --artim-timeout S  seconds to receive the A-ASSOCIATE-RQ (default %ld)\n"
      "  --idle-timeout S   seconds an association may wait for its peer without\n"
      "                     progress (default %ld)\n"
      "  --worklist DIR     answer modality worklist queries from DIR/*.wl\n"
      "  --accept-all-storage\n"
      "                     accept every storage SOP class the dictionary knows\n"
      "%s"
      "  -q, --quiet        no \"stored\" lines\n"
      "  --log FILE         write the protocol log to FILE\n"
      "  --log-level N      0 errors only, 2 association trace, 3 also a hex dump of all\n"
      "                     traffic\n"
      "  -v                 print the log lines on standard error as well\n"
      "  -h, --help         show this help\n\n"
      "exit status: 0 stopped by a signal, 1 cannot listen or create the folder, 2 bad\n"
      "command line\n",
      kDefaultPort, kDefaultFolder, kDefaultTitle, kDefaultMaxAssociations, kDefaultArtimSeconds,
      kDefaultIdleSeconds, kMoveDestinationHelp);
}

// One line per received object; lines of different associations never mix.
StoreObserver PrintingObserver(bool quiet) {
  return [quiet](const StoreReport& report) {
    static std::mutex printing;
    std::lock_guard lock(printing);
    const StoreWorkOutcome& outcome = report.outcome;
    if (outcome.status == kStatusSuccess) {
      if (quiet) return;
      PrintPeerText(stdout, "stored " + outcome.filePath);
      std::fflush(stdout);
      return;
    }
    // UIDs, the calling AE title and the paths made of UIDs come from the peer.
    PrintPeerText(stderr, "not stored " + outcome.sopInstanceUID + " from " +
                              report.callingApTitle + ": " + outcome.problem + " (status " +
                              StatusText(outcome.status) + ")");
  };
}

}  // namespace

int RunScp(int argc, char** argv) {
  ParsedArgs args = ParseArgs(argc, argv, kScpOptions);
  if (args.help) {
    PrintHelp();
    return 0;
  }
  if (!args.error.empty()) {
    std::fprintf(stderr, "norvane scp: %s (see norvane scp --help)\n", args.error.c_str());
    return 2;
  }
  if (!args.positionals.empty()) {
    std::fprintf(stderr, "norvane scp: unexpected argument '%s' (see norvane scp --help)\n",
                 args.positionals.front().c_str());
    return 2;
  }
  const std::string port = args.Value("--port").value_or(kDefaultPort);
  const std::optional<long> portNumber = ParseNumber(port);
  if (!portNumber || *portNumber > 65535) {
    std::fprintf(stderr, "norvane scp: --port needs a number from 0 to 65535, not '%s'\n",
                 port.c_str());
    return 2;
  }
  const auto limit = [&args](const char* option, long fallback, long most) -> std::optional<long> {
    const std::optional<std::string> text = args.Value(option);
    if (!text) return fallback;
    const std::optional<long> number = ParseNumber(*text);
    if (number && *number >= 1 && *number <= most) return number;
    std::fprintf(stderr, "norvane scp: %s needs a number from 1 to %ld, not '%s'\n", option, most,
                 text->c_str());
    return std::nullopt;
  };
  const std::optional<long> maxAssociations =
      limit("--max-associations", kDefaultMaxAssociations, kMostAssociations);
  const std::optional<long> artimSeconds =
      limit("--artim-timeout", kDefaultArtimSeconds, kLongestTimeoutSeconds);
  const std::optional<long> idleSeconds =
      limit("--idle-timeout", kDefaultIdleSeconds, kLongestTimeoutSeconds);
  if (!maxAssociations || !artimSeconds || !idleSeconds) return 2;
  if (!ApplyLogOptions(args, 0)) return 2;

  StoreSCPSettings settings;
  settings.maxAssociations = static_cast<int>(*maxAssociations);
  settings.artimTimeout = std::chrono::seconds(*artimSeconds);
  settings.idleTimeout = std::chrono::seconds(*idleSeconds);
  settings.port = port;
  settings.folder = WithTrailingSeparator(args.Value("--folder").value_or(kDefaultFolder));
  settings.loopbackOnly = args.Has("--loopback");
  settings.aeTitle = args.Value("--aet").value_or(kDefaultTitle);
  if (!ApplyMoveDestinations(args, settings)) return 2;
  if (const auto level = args.Value("--log-level")) settings.trace = ParseNumber(*level) > 1;
  settings.observer = PrintingObserver(args.Has("-q") || args.Has("--quiet"));
  settings.acceptAllStorage = args.Has("--accept-all-storage");
  if (const auto worklist = args.Value("--worklist")) {
    if (!DirectoryExists(*worklist)) {
      std::fprintf(stderr, "norvane scp: --worklist %s is not a folder\n", worklist->c_str());
      return 2;
    }
    settings.worklistFolder = WithTrailingSeparator(*worklist);
  }
  std::error_code ignored;
  std::filesystem::create_directories(settings.folder, ignored);
  if (!DirectoryExists(settings.folder)) {
    std::fprintf(stderr, "norvane scp: cannot create the storage folder %s\n",
                 settings.folder.c_str());
    return 1;
  }

  // Every thread started from here on leaves these signals to the sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  const std::string folder = settings.folder;
  StoreSCPStart start = StartStoreSCP(std::move(settings));
  if (!start) {
    std::fprintf(stderr, "norvane scp: cannot listen on port %s: %s\n", port.c_str(),
                 std::strerror(start.error));
    return 1;
  }
  std::printf("listening on port %u as %s, storing in %s\n",
              static_cast<unsigned>(start.server->Port()),
              args.Value("--aet").value_or(kDefaultTitle).c_str(), folder.c_str());
  std::fflush(stdout);

  int received = 0;
  while (sigwait(&stopSignals, &received) != 0) {
  }
  start.server->Stop();
  return 0;
}

}  // namespace norvane::cli
