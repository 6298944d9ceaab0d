// norvane print [HOST PORT] FILE: one image printed on a DICOM printer with Basic
// Grayscale or Basic Color Print Management.

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "app/setup/settings.hpp"
#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "dimse/film_settings.hpp"
#include "dimse/print_scu.hpp"
#include "log/log.hpp"
#include "platform/terminal_text.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kOperation = "PRINT";

void PrintHelp() {
  std::printf(
      "usage: norvane print [HOST PORT] FILE [options]\n\n"
      "Prints one image on a DICOM printer. FILE is taken by its extension: \".jpg\" or\n"
      "\".JPG\" a JPEG file, \".bmp\" or \".BMP\" a Windows bitmap, anything else a DICOM\n"
      "file (uncompressed little endian; grey images are mapped through their rescale and\n"
      "window to 8 bits, RGB images sent as they are).\n\n"
      "8-bit pictures (palette bitmaps, grey JPEGs, grey DICOM images) are printed grey\n"
      "through the Basic Grayscale Print Management Meta SOP class; colour pictures through\n"
      "Basic Color Print Management, or converted to grey with --grayscale. The association\n"
      "proposes implicit VR little endian only. The job: printer status (N-GET; a failure\n"
      "there is only logged), film session and film box (N-CREATE), the first image box\n"
      "(N-SET), print (N-ACTION) and deletion of the film box (N-DELETE); any other step\n"
      "that fails, or any status other than 0x0000, ends the job.\n\n"
      "Prints \"PRINT OK\", or \"PRINT failed to connect to: AEC (HOST:PORT)\" for every\n"
      "failure; the step that failed and why are named on standard error, as is a printer\n"
      "status query that failed.\n\n"
      "options:\n%s"
      "  --copies N         Number of Copies (default 1)\n"
      "  --priority P       Print Priority (default MED)\n"
      "  --medium M         Medium Type (default \"BLUE FILM\")\n"
      "  --destination D    Film Destination (default: settings, else MAGAZINE)\n"
      "  --format F         Image Display Format (default \"STANDARD\\1,1\")\n"
      "  --orientation O    Film Orientation (default: settings, else PORTRAIT)\n"
      "  --size S           Film Size ID (default: settings, else 14INX17IN)\n"
      "  --magnification M  Magnification Type (default: settings, else REPLICATE)\n"
      "                     An empty value (--medium '') leaves the attribute out.\n"
      "  --grayscale        print colour pictures in grey\n"
      "  --planar           send colour pixels plane by plane (Planar Configuration 1);\n"
      "                     default: the settings' planar flag, else pixel by pixel (0)\n"
      "%s"
      "  -h, --help         show this help\n\n"
      "exit status: 0 PRINT OK, 1 print failed, 2 bad command line or no such FILE\n",
      kNetworkHelp, kJsonHelp);
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// On standard error: the step that failed and why, "Create Film Box: Failed! (N-CREATE-RSP
// status 0xB600)"; also a printer status query that failed while the job went on.
void ReportPrintProblems(const PrintResult& result) {
  if (!result.printerStatus) {
    ReportReason("print", "Unable to Get Status (" + result.printerStatus.reason + ")");
  }
  if (!result) {
    ReportReason("print",
                 std::string(PrintStepFailureLine(result.failedStep)) + " (" + result.reason + ")");
  }
}

}  // namespace

std::vector<OptionSpec> PrintOptions() {
  return NetworkOptionsAnd({{"--copies", true},
                            {"--priority", true, "HIGH MED LOW"},
                            {"--medium", true},
                            {"--destination", true},
                            {"--format", true},
                            {"--orientation", true, "PORTRAIT LANDSCAPE"},
                            {"--size", true},
                            {"--magnification", true},
                            {"--grayscale", false},
                            {"--planar", false}});
}

int RunPrint(int argc, char** argv) {
  Invocation run("print", argc, argv, PrintOptions());
  Peer peer;
  if (const std::optional<int> status = run.StartNetwork(PrintHelp, 1, peer)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.size() != 1) return run.Usage("give exactly one FILE");
  const std::string file = args.positionals.front();
  if (!IsRegularFile(file)) return run.Usage("no such file: " + file);
  run.Report()["file"] = file;

  Settings settings;
  settings.Load("./" + std::string(kSettingsFileName));
  const FilmSessioncfg session{
      args.Value("--copies").value_or("1"),
      args.Value("--priority").value_or("MED"),
      args.Value("--medium").value_or("BLUE FILM"),
      args.Value("--destination").value_or(FilmDestinationText(settings.filmDestination())),
  };
  FilmBoxcfg box;
  box.ImageDisplayFormat = args.Value("--format").value_or("STANDARD\\1,1");
  box.FilmOrientation =
      args.Value("--orientation").value_or(FilmOrientationText(settings.filmOrientation()));
  box.FilmSizeID = args.Value("--size").value_or(FilmSizeText(settings.filmSize()));
  box.MagnificationType =
      args.Value("--magnification").value_or(MagnificationTypeText(settings.magnificationType()));
  const bool allowColor = !args.Has("--grayscale");
  const int planar = args.Has("--planar") || settings.planarConfiguration() ? 1 : 0;

  WriteLog(std::string("Starting ") + kOperation + " Service");
  const PrintResult result = PrintSCU_Ex(file, peer.Parameters(), session, box, allowColor, planar);
  ReportPrintProblems(result);
  ReportOperation(run, kOperation, result.Ok(), peer);
  run.Report()["failedStep"] =
      result.Ok() ? Json(nullptr) : Json(PrintStepFailureLine(result.failedStep));
  run.Report()["printerStatus"] =
      result.printerStatus.Ok() ? Json(nullptr) : Json(result.printerStatus.reason);
  return run.Finish(result.Ok() ? 0 : 1,
                    result.Ok() ? std::string()
                                : std::string(PrintStepFailureLine(result.failedStep)) + " (" +
                                      result.reason + ")");
}

}  // namespace norvane::cli
