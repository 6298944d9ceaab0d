// norvane ecg IN OUT.png --size WxH: a waveform object drawn as a strip chart.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.hpp"
#include "cli/file_problem.hpp"
#include "cli/invocation.hpp"
#include "cli/options.hpp"
#include "convert/convert_dataset.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/transfer_syntax.hpp"
#include "ecg/ecg_to_bitmap.hpp"
#include "platform/raster.hpp"
#include "platform/raster_png.hpp"

namespace norvane::cli {
namespace {

constexpr long kMaxSide = 32767;  // the drawing library's largest picture side

void PrintHelp() {
  std::printf(
      "usage: norvane ecg IN OUT.png --size WxH [--json]\n"
      "\n"
      "Draws the waveform object in the DICOM file IN (Modality ECG, HD or AU) as a\n"
      "paper-style strip chart W pixels wide and H high and writes it as a PNG file\n"
      "OUT.png. The scales are fixed, nothing is fitted to the size: 100 pixels per\n"
      "second across, 40 pixels per millivolt (or per 100 mm Hg) up, a light grid\n"
      "line every 20 pixels. The header shows the patient's name, ID, birth date and\n"
      "sex and the study date and time; below it the channels of the first multiplex\n"
      "group, six down the left half and six down the right (further channels go on\n"
      "below), each with its label, a calibration pulse and about (W - 50) / 2 pixels\n"
      "of trace from the start of the recording.\n"
      "\n"
      "  --size WxH   width and height in pixels, each 1 to 32767 (1200x800 shows\n"
      "               5.75 s per channel)\n"
      "\n"
      "%s"
      "\n"
      "Exit status 0 when the picture was written; 1 for a file that is not a\n"
      "waveform object, waveform data that do not match their samples, channels and\n"
      "bits allocated (8 or 16), or a file that cannot be read or written; 2 for a bad\n"
      "command line.\n",
      kJsonHelp);
}

struct Size {
  int width = 0;
  int height = 0;
};

std::optional<Size> ParseSize(const std::string& text) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return std::nullopt;
  const std::optional<long> width = ParseNumber(text.substr(0, x));
  const std::optional<long> height = ParseNumber(text.substr(x + 1));
  if (!width || !height || *width < 1 || *height < 1 || *width > kMaxSide || *height > kMaxSide) {
    return std::nullopt;
  }
  return Size{static_cast<int>(*width), static_cast<int>(*height)};
}

}  // namespace

std::vector<OptionSpec> EcgOptions() {
  return {{"--size", true}};
}

int RunEcg(int argc, char** argv) {
  Invocation run("ecg", argc, argv, EcgOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.size() != 2) return run.Usage("give IN and OUT.png");
  if (!args.Value("--size")) return run.Usage("--size is required");
  const std::optional<Size> size = ParseSize(*args.Value("--size"));
  if (!size) {
    return run.Usage("--size takes WxH, each 1 to 32767, not '" + *args.Value("--size") + "'");
  }
  const std::string& in = args.positionals[0];
  const std::string& out = args.positionals[1];
  run.Report()["in"] = in;
  run.Report()["out"] = out;
  run.Report()["width"] = size->width;
  run.Report()["height"] = size->height;
  const auto fail = [&run](const std::string& reason) {
    std::fprintf(stderr, "norvane ecg: %s\n", reason.c_str());
    return run.Finish(1, reason);
  };

  DicomFileContent file = DICOMFile(in);
  if (!file.Ok()) return fail(in + " " + UnreadableDicomFile(in));
  // The drawing reads little-endian values.
  if (file.bigEndian && !ConvertTS(file.dataset, kExplicitVRLittleEndian, kExplicitVRBigEndian)) {
    return fail(in + " cannot be turned from big to little endian");
  }

  std::optional<Raster> bitmap = Raster::Create(size->width, size->height, PixelFormat::kBgrx32);
  if (!bitmap) {
    return fail("no memory for a " + std::to_string(size->width) + "x" +
                std::to_string(size->height) + " picture");
  }
  const EcgStatus status = ECG2Bitmap(*bitmap, file.dataset);
  if (status != EcgStatus::kDrawn) return fail(in + " " + std::string(Describe(status)));
  if (!WriteRasterPng(*bitmap, out)) return fail(out + " cannot be written");
  run.Out(in + ": chart written to " + out + " (" + std::to_string(size->width) + "x" +
          std::to_string(size->height) + ")");
  return run.Finish(0);
}

}  // namespace norvane::cli
