// norvane get [HOST PORT]: a Study Root C-GET of what the keys match, the objects stored
// in a folder database as norvane scp stores them.

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/commands.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/query_keys.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/get_scu.hpp"
#include "dimse/query_fields.hpp"
#include "dimse/status_meaning.hpp"
#include "log/log.hpp"
#include "platform/folders.hpp"
#include "scp/store_thread.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "GET";
constexpr const char* kDefaultFolder = "./Database";

void PrintHelp() {
  std::printf(
      "usage: norvane get [HOST PORT] [--level STUDY|SERIES|IMAGE] [-k FIELD=VALUE]...\n"
      "                   [--folder DIR] [options]\n\n"
      "Retrieves with C-GET (Study Root Query/Retrieve information model, implicit VR\n"
      "little endian) what the keys match. The archive sends the objects back on the same\n"
      "association with C-STORE: norvane proposes the storage SOP classes of radiology\n"
      "images (uncompressed, JPEG Lossless SV1, JPEG Baseline, JPEG Extended, RLE) and of\n"
      "SR, RT, PDF and ECG objects (uncompressed), and asks for the SCP role for each with\n"
      "role selection. Each object is stored as norvane scp stores it:\n"
      "  DIR/<Study Instance UID>/<Series Instance UID>/<SOP Instance UID>.dcm\n"
      "in the transfer syntax it arrived in, with the index files KPStudy.dir, Series.dir\n"
      "and Image.dir; its C-STORE response says whether that worked. The identifier is the\n"
      "one norvane find sends at the same level: give the unique keys (StudyInstanceUID,\n"
      "also SeriesInstanceUID at SERIES level, also SOPInstanceUID at IMAGE level).\n\n"
      "Prints \"stored FILE\" for each object kept and \"not stored UID: REASON\" on\n"
      "standard error for each one that was not. The last line is\n"
      "  \"GET OK: C completed, F failed, W warning\" for final status 0x0000,\n"
      "  \"GET failed, status 0xNNNN (meaning): C completed, F failed, W warning\",\n"
      "  \"GET failed: ...\" when the request could not be sent or no final response came,\n"
      "  or \"Association Failed!\" and \"GET failed to connect to: AEC (HOST:PORT)\".\n"
      "The numbers are the ones the archive reported last. A warning status (0xB000, some\n"
      "sub-operations failed) is a failure.\n\n"
      "options:\n%s"
      "  --level LEVEL      STUDY (default), SERIES or IMAGE\n"
      "  -k FIELD=VALUE     key (repeatable); the fields are those of norvane find:\n"
      "                     STUDY:  %s"
      "                     SERIES: %s"
      "                     IMAGE:  %s"
      "  --folder DIR       storage folder and database root (default %s), created\n"
      "                     when missing\n"
      "  -q, --quiet        no \"stored\" lines\n"
      "  -h, --help         show this help\n\n"
      "exit status: 0 GET OK, 1 get failed, 2 bad command line\n",
      kNetworkHelp, WrapNames(MatchingFieldNames<StudyInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<SeriesInfo>(), 29).c_str(),
      WrapNames(MatchingFieldNames<ImageInfo>(), 29).c_str(), kDefaultFolder);
}

std::string Count(const std::optional<uint16_t>& n) {
  return n ? std::to_string(*n) : "?";
}

std::string Counts(const GetResult& r) {
  if (!r.completed && !r.failed && !r.warning) return "no sub-operation counts reported";
  return Count(r.completed) + " completed, " + Count(r.failed) + " failed, " + Count(r.warning) +
         " warning";
}

// Stores each object the archive sends and prints what became of it.
RetrievedObject Keeper(const std::string& folder, bool quiet) {
  return [folder, quiet](TagList dataset, const std::string& transferSyntax) {
    const StoreWorkOutcome outcome = StoreThread(folder, std::move(dataset), transferSyntax).Run();
    if (outcome.status == kStatusSuccess) {
      if (!quiet) PrintPeerText(stdout, "stored " + outcome.filePath);
      std::fflush(stdout);
    } else {
      PrintPeerText(stderr, "not stored " + outcome.sopInstanceUID + ": " + outcome.problem +
                                " (status " + StatusText(outcome.status) + ")");
    }
    return outcome.status;
  };
}

std::string FinalLine(const GetResult& result) {
  switch (result.failure) {
    case ServiceFailure::kNone:
      return "GET OK: " + Counts(result);
    case ServiceFailure::kStatus: {
      const uint16_t status = result.status.value_or(0);
      return "GET failed, status " + StatusText(status) + " (" +
             std::string(MeaningOfStatus(StatusService::kRetrieve, status).text) +
             "): " + Counts(result);
    }
    case ServiceFailure::kNotSent:
      return "GET failed: the request could not be sent";
    case ServiceFailure::kNoResponse:
    case ServiceFailure::kUnexpectedResponse:
    case ServiceFailure::kAborted:
    case ServiceFailure::kProtocol:
      return "GET failed: no final response (the association ended, or the peer sent another "
             "message); " +
             Counts(result);
    default:
      return "GET failed: " + result.reason;
  }
}

template <class Record>
int GetAtLevel(const ParsedArgs& args, Peer& peer, const std::string& folder) {
  Record query;
  std::string error;
  if (!ApplyQueryKeys(args.Values("-k"), query, error)) {
    std::fprintf(stderr, "norvane get: %s\n", error.c_str());
    return 2;
  }
  if (!ApplyTimeoutOptions(args, "get", peer) || !ApplyLogOptions(args, peer.logLevel)) return 2;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  if (!DirectoryExists(folder)) {
    std::fprintf(stderr, "norvane get: cannot create the storage folder %s\n", folder.c_str());
    return 1;
  }

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const GetResult result =
      GetSCU(peer.Parameters(), query, Keeper(folder, args.Has("-q") || args.Has("--quiet")));
  if (!result.associated) {
    std::printf("Association Failed!\n");
    ReportFailureReason("get", result);
    ReportOperation(kOperation, false, peer);
    return 1;
  }
  ReportFailureReason("get", result);
  const std::string line = FinalLine(result);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  WriteLog(line);
  return result.Ok() ? 0 : 1;
}

}  // namespace

int RunGet(int argc, char** argv) {
  ParsedArgs args = ParseArgs(argc, argv,
                              NetworkOptionsAnd({{"--level", true},
                                                 {"-k", true},
                                                 {"--folder", true},
                                                 {"-q", false},
                                                 {"--quiet", false}}));
  Peer peer;
  if (const std::optional<int> status = StartPeerCommand(args, "get", PrintHelp, peer)) {
    return *status;
  }
  const std::optional<QueryLevel> level = LevelOption(args.Value("--level"));
  if (!level) {
    std::fprintf(stderr, "norvane get: --level must be STUDY, SERIES or IMAGE, not '%s'\n",
                 args.Value("--level")->c_str());
    return 2;
  }
  const std::string folder = WithTrailingSeparator(args.Value("--folder").value_or(kDefaultFolder));
  switch (*level) {
    case QueryLevel::kStudy:
      return GetAtLevel<StudyInfo>(args, peer, folder);
    case QueryLevel::kSeries:
      return GetAtLevel<SeriesInfo>(args, peer, folder);
    case QueryLevel::kImage:
      return GetAtLevel<ImageInfo>(args, peer, folder);
  }
  return 2;
}

}  // namespace norvane::cli
