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
#include "cli/invocation.hpp"
#include "cli/move_destination_options.hpp"
#include "cli/options.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/dimse_exchange.hpp"
#include "dimse/status_meaning.hpp"
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
    {"--max-object-size", true},
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
    {"--tls-require-client-cert", false},
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
      "further connections wait in the listen queue until a place is free. A connection\n"
      "that has not sent its whole\n"
      "A-ASSOCIATE-RQ within --artim-timeout seconds, and an association whose peer makes\n"
      "no progress (no message completed, less than 1 KiB of one received) for\n"
      "--idle-timeout seconds, is closed, so that silent or trickling peers give their\n"
      "place up. A data set sent where a command is due is answered with an A-ABORT.\n"
      "Accepted: Verification and the storage SOP classes CR, DX, MG, CT, MR, US, US\n"
      "multi-frame, XA, RF, NM, PET, SC, Basic Text and Enhanced SR, Encapsulated PDF\n"
      "(with --accept-all-storage every storage SOP class the dictionary knows), the\n"
      "Study Root and Patient Root FIND, MOVE and GET SOP classes, and with --worklist\n"
      "the Modality Worklist FIND; with JPEG Lossless (SV1), implicit VR little endian,\n"
      "explicit VR little endian, JPEG Baseline, RLE Lossless, JPEG-LS Lossless, JPEG 2000\n"
      "Lossless, JPEG-LS Near-Lossless, JPEG 2000 or Deflated Explicit VR Little Endian,\n"
      "preferred in that order. A context of another SOP class is refused with result 3\n"
      "(abstract syntax not supported), one of these without any of those syntaxes with\n"
      "result 4.\n\n"
      "C-FIND is answered from the stored objects: Study Root at STUDY, SERIES and IMAGE\n"
      "level, Patient Root at PATIENT, STUDY, SERIES and IMAGE level. Keys match by single\n"
      "value, '*' and '?' wildcards, date and time ranges (A-B, A-, -B), UID lists\n"
      "(A\\B) and universal matching (empty value); a patient, study or series matches with\n"
      "the values of its first stored object and each key is answered from it (the top\n"
      "level of its data set, never a sequence); keys below the query level are answered\n"
      "empty (InstitutionName counts as a study key, PatientPosition as a series key).\n"
      "Numbers of related series and instances and the modalities in a study are\n"
      "counted; every answer carries Retrieve AE Title (--aet). With --worklist,\n"
      "modality worklist queries are answered from the worklist files DIR/*.wl (DICOM\n"
      "files as dump2dcm writes them, little endian), matching keys inside the Scheduled\n"
      "Procedure Step Sequence against its items; without it the worklist context is\n"
      "refused when the association is negotiated. A query without a known level gets\n"
      "status 0xA900, one that cannot be served 0xC000. Other commands get no response:\n"
      "the association is released.\n\n"
      "Retrieval (Study Root and Patient Root): C-MOVE and C-GET select the stored\n"
      "objects by the unique keys of their level (PatientID in the Patient Root model;\n"
      "StudyInstanceUID; SeriesInstanceUID; SOPInstanceUID; each UID key a single UID or a\n"
      "list separated by '\\'); an identifier without the key of its level gets status\n"
      "0xA900. C-MOVE sends them to a destination of --dest over an association of its\n"
      "own (within --artim-timeout to open, --idle-timeout for each response), proposing\n"
      "each SOP class with the object's own transfer syntax and the uncompressed ones;\n"
      "C-GET sends them back on the requester's association, for the storage classes it\n"
      "took the SCP role for (role selection).\n"
      "A pending response after each object tells the remaining, completed, failed and\n"
      "warning sub-operations; the final status is 0x0000 when all completed, 0xB000\n"
      "when some failed, 0xA702 when none completed, 0xFE00 after a C-CANCEL,\n"
      "with the Failed SOP Instance UID List (as many whole UIDs as fit 65534 bytes;\n"
      "numbers above 65535 are sent as 65535). A C-MOVE to an AE title that is not a\n"
      "destination gets 0xA801.\n\n"
      "Modality Performed Procedure Step: N-CREATE keeps the step as FOLDER/mpps/UID.dcm,\n"
      "N-SET updates it; refused with 0x0111 (duplicate N-CREATE), 0x0106 (an N-CREATE not\n"
      "IN PROGRESS, an N-SET of an attribute only N-CREATE gives, an unknown status),\n"
      "0x0120/0x0121 (a required attribute missing or empty), 0x0112 (unknown step) and\n"
      "0x0110 with Error ID 0xA710 (a step already COMPLETED or DISCONTINUED).\n"
      "Storage Commitment Push Model: each N-ACTION is answered, then the referenced\n"
      "instances are looked up in the storage folder and an N-EVENT-REPORT-RQ says which\n"
      "are held (event type 1) or not (2, Failed SOP Sequence, reason 0x0112 no such\n"
      "object instance, 0x0119 another SOP class): on the same association when the\n"
      "requester keeps it open for 250 ms, else on a new association to the requester's\n"
      "AE title at its --dest address (proposing the SCP role for the class).\n\n"
      "Prints \"listening on port N as TITLE, storing in FOLDER/\" once listening, then\n"
      "\"stored FILE\" for each object, and on standard error \"not stored UID from AE:\n"
      "REASON (status 0xNNNN)\" for each object that was not.\n\n"
      "options:\n"
      "  --port N           TCP port to listen on (default %s); 0 picks a free port\n"
      "  --folder DIR       storage folder and database root (default %s), created\n"
      "                     when missing\n"
      "  --max-object-size SIZE\n"
      "                     the largest data set taken, in bytes or with K, M or G\n"
      "                     (default 4G); a larger one ends its association with an\n"
      "                     A-ABORT and nothing of it is stored\n"
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
      "  --tls              accept TLS connections only (1.2 or 1.3); needs --tls-cert FILE\n"
      "                     and --tls-key FILE, the SCP's certificate and unencrypted key\n"
      "                     (PEM). A failed handshake is logged and the SCP serves on.\n"
      "                     The C-MOVE destinations marked :tls are reached with them\n"
      "  --tls-profile NAME bcp195-nd (default: non-downgrading, TLS 1.2 at least), bcp195\n"
      "                     (also older versions) or bcp195-ex (extended: ECDHE AES-GCM only)\n"
      "  --tls-ca FILE      trusted certificates (PEM): a requester's certificate, when it\n"
      "                     sends one, and a C-MOVE destination's are verified against them\n"
      "  --tls-require-client-cert\n"
      "                     refuse requesters without a certificate from --tls-ca\n"
      "  --tls-no-verify    verify no certificate of a peer (a warning is printed)\n"
      "  -q, --quiet        no \"stored\" lines\n"
      "  --log FILE         write the protocol log to FILE\n"
      "  --log-level N      0 errors only, 2 association trace, 3 also a hex dump of all\n"
      "                     traffic\n"
      "  -v                 print the log lines on standard error as well\n"
      "  --json             at the end, one JSON document on standard output with an entry\n"
      "                     per object received (docs/json.md) instead of the \"stored\"\n"
      "                     lines; the start line then goes to standard error\n"
      "  -h, --help         show this help\n\n"
      "exit status: 0 stopped by a signal, 1 cannot listen, create the folder or load the\n"
      "TLS certificate or key, 2 bad\n"
      "command line\n",
      kDefaultPort, kDefaultFolder, kDefaultTitle, kDefaultMaxAssociations, kDefaultArtimSeconds,
      kDefaultIdleSeconds, kMoveDestinationHelp);
}

// What was received, for the JSON document written at the end.
struct ReceivedObjects {
  std::mutex lock;
  Json objects = Json::array();
};

// One line per received object (with --json an entry instead); lines of different
// associations never mix.
StoreObserver PrintingObserver(bool quiet, ReceivedObjects* received) {
  return [quiet, received](const StoreReport& report) {
    static std::mutex printing;
    std::lock_guard lock(printing);
    const StoreWorkOutcome& outcome = report.outcome;
    if (received != nullptr) {
      std::lock_guard keep(received->lock);
      received->objects.push_back(
          {{"sopInstanceUID", outcome.sopInstanceUID},
           {"sopClassUID", outcome.sopClassUID},
           {"callingAET", report.callingApTitle},
           {"path", outcome.status == kStatusSuccess ? Json(outcome.filePath) : Json(nullptr)},
           {"status", outcome.status},
           {"statusMeaning", MeaningOfStatus(StatusService::kStorage, outcome.status).text},
           {"transferSyntax", outcome.transferSyntax},
           {"reason", outcome.problem.empty() ? Json(nullptr) : Json(outcome.problem)}});
    }
    if (outcome.status == kStatusSuccess) {
      if (quiet || received != nullptr) return;
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

std::vector<OptionSpec> ScpOptions() {
  std::vector<OptionSpec> options(std::begin(kScpOptions), std::end(kScpOptions));
  options.insert(options.end(), std::begin(kTlsOptions), std::end(kTlsOptions));
  return options;
}

int RunScp(int argc, char** argv) {
  Invocation run("scp", argc, argv, ScpOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  ParsedArgs& args = run.Args();
  if (!args.positionals.empty()) {
    return run.Usage("unexpected argument '" + args.positionals.front() + "'");
  }
  const std::string port = args.Value("--port").value_or(kDefaultPort);
  const std::optional<long> portNumber = ParseNumber(port);
  if (!portNumber || *portNumber > 65535) {
    return run.Usage("--port needs a number from 0 to 65535, not '" + port + "'");
  }
  std::string problem;
  const auto limit = [&args, &problem](const char* option, long fallback,
                                       long most) -> std::optional<long> {
    const std::optional<std::string> text = args.Value(option);
    if (!text) return fallback;
    const std::optional<long> number = ParseNumber(*text);
    if (number && *number >= 1 && *number <= most) return number;
    if (problem.empty()) {
      problem = std::string(option) + " needs a number from 1 to " + std::to_string(most) +
                ", not '" + *text + "'";
    }
    return std::nullopt;
  };
  const std::optional<long> maxAssociations =
      limit("--max-associations", kDefaultMaxAssociations, kMostAssociations);
  const std::optional<long> artimSeconds =
      limit("--artim-timeout", kDefaultArtimSeconds, kLongestTimeoutSeconds);
  const std::optional<long> idleSeconds =
      limit("--idle-timeout", kDefaultIdleSeconds, kLongestTimeoutSeconds);
  if (!maxAssociations || !artimSeconds || !idleSeconds) return run.Usage(problem);
  const std::string title = args.Value("--aet").value_or(kDefaultTitle);
  problem = AETitleProblem("--aet", title);
  if (problem.empty()) problem = ApplyLogOptions(args, 0);
  if (!problem.empty()) return run.Usage(problem);

  ReceivedObjects received;
  StoreSCPSettings settings;
  settings.maxAssociations = static_cast<int>(*maxAssociations);
  settings.artimTimeout = std::chrono::seconds(*artimSeconds);
  settings.idleTimeout = std::chrono::seconds(*idleSeconds);
  settings.port = port;
  settings.folder = WithTrailingSeparator(args.Value("--folder").value_or(kDefaultFolder));
  settings.loopbackOnly = args.Has("--loopback");
  settings.aeTitle = title;
  if (!ApplyMoveDestinations(args, settings, problem)) return run.Usage(problem);
  problem = ApplyMaxObjectSize(args, settings.maxObjectSize);
  if (problem.empty()) problem = run.ApplyTlsOptions(settings.tls);
  if (problem.empty() && args.Has("--tls-require-client-cert")) {
    if (!settings.tls.enabled) problem = "--tls-require-client-cert needs --tls";
    if (!settings.tls.verifyPeer) {
      problem = "--tls-require-client-cert and --tls-no-verify contradict each other";
    }
    settings.tls.requireClientCertificate = true;
  }
  if (problem.empty() && settings.tls.enabled && settings.tls.certificateFile.empty()) {
    problem = "--tls needs the SCP's certificate and key (--tls-cert FILE --tls-key FILE)";
  }
  if (!problem.empty()) return run.Usage(problem);
  if (const auto level = args.Value("--log-level")) settings.trace = ParseNumber(*level) > 1;
  settings.observer =
      PrintingObserver(args.Has("-q") || args.Has("--quiet"), run.Json() ? &received : nullptr);
  settings.acceptAllStorage = args.Has("--accept-all-storage");
  if (const auto worklist = args.Value("--worklist")) {
    if (!DirectoryExists(*worklist))
      return run.Usage("--worklist " + *worklist + " is not a folder");
    settings.worklistFolder = WithTrailingSeparator(*worklist);
  }
  run.Report()["aeTitle"] = title;
  run.Report()["folder"] = settings.folder;
  std::error_code ignored;
  std::filesystem::create_directories(settings.folder, ignored);
  if (!DirectoryExists(settings.folder)) {
    const std::string reason = "cannot create the storage folder " + settings.folder;
    std::fprintf(stderr, "norvane scp: %s\n", reason.c_str());
    return run.Finish(1, reason);
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
    const std::string reason = !start.problem.empty() ? start.problem
                                                      : "cannot listen on port " + port + ": " +
                                                            std::string(std::strerror(start.error));
    std::fprintf(stderr, "norvane scp: %s\n", reason.c_str());
    return run.Finish(1, reason);
  }
  // With --json standard output holds the document alone: the start line goes to standard
  // error, so that a caller of --port 0 still learns the port.
  std::fprintf(run.Json() ? stderr : stdout, "listening on port %u as %s, storing in %s\n",
               static_cast<unsigned>(start.server->Port()), title.c_str(), folder.c_str());
  std::fflush(run.Json() ? stderr : stdout);
  run.Report()["port"] = start.server->Port();

  int signal = 0;
  while (sigwait(&stopSignals, &signal) != 0) {
  }
  start.server->Stop();
  {
    std::lock_guard keep(received.lock);
    run.Report()["objects"] = std::move(received.objects);
  }
  return run.Finish(0);
}

}  // namespace norvane::cli
