// norvane ecg IN OUT.png --size WxH: a waveform object drawn as a strip chart.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/options.hpp"
#include "convert/convert_dataset.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/transfer_syntax.hpp"
#include "ecg/ecg_to_bitmap.hpp"
#include "platform/raster.hpp"
#include "platform/raster_png.hpp"

namespace norvane::cli {
namespace {

constexpr OptionSpec kEcgOptions[] = {{"--size", true}};
constexpr long kMaxSide = 32767;  // the drawing library's largest picture side

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "usage: norvane ecg IN OUT.png --size WxH\n"
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
               "Exit status 0 when the picture was written; 1 for a file that is not a\n"
               "waveform object, waveform data that do not match their samples, channels and\n"
               "bits allocated (8 or 16), a file that cannot be read or written, or a bad\n"
               "command line.\n");
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

int RunEcg(int argc, char** argv) {
  const ParsedArgs args = ParseArgs(argc, argv, kEcgOptions);
  if (args.help) {
    PrintHelp(stdout);
    return 0;
  }
  std::string problem = args.error;
  if (problem.empty() && args.positionals.size() != 2) problem = "give IN and OUT.png";
  if (problem.empty() && !args.Value("--size")) problem = "--size is required";
  std::optional<Size> size;
  if (problem.empty()) {
    size = ParseSize(*args.Value("--size"));
    if (!size) {
      problem = "--size takes WxH, each 1 to 32767, not '" + *args.Value("--size") + "'";
    }
  }
  if (!problem.empty()) {
    std::fprintf(stderr, "norvane ecg: %s\n\n", problem.c_str());
    PrintHelp(stderr);
    return 1;
  }
  const std::string& in = args.positionals[0];
  const std::string& out = args.positionals[1];

  DicomFileContent file = DICOMFile(in);
  if (!file.Ok()) {
    std::fprintf(stderr, "norvane ecg: %s %s\n", in.c_str(),
                 std::string(Describe(file.status)).c_str());
    return 1;
  }
  // The drawing reads little-endian values.
  if (file.bigEndian && !ConvertTS(file.dataset, kExplicitVRLittleEndian, kExplicitVRBigEndian)) {
    std::fprintf(stderr, "norvane ecg: %s cannot be turned from big to little endian\n",
                 in.c_str());
    return 1;
  }

  std::optional<Raster> bitmap = Raster::Create(size->width, size->height, PixelFormat::kBgrx32);
  if (!bitmap) {
    std::fprintf(stderr, "norvane ecg: no memory for a %dx%d picture\n", size->width, size->height);
    return 1;
  }
  const EcgStatus status = ECG2Bitmap(*bitmap, file.dataset);
  if (status != EcgStatus::kDrawn) {
    std::fprintf(stderr, "norvane ecg: %s %s\n", in.c_str(), std::string(Describe(status)).c_str());
    return 1;
  }
  if (!WriteRasterPng(*bitmap, out)) {
    std::fprintf(stderr, "norvane ecg: %s cannot be written\n", out.c_str());
    return 1;
  }
  std::fprintf(stdout, "%s: chart written to %s (%dx%d)\n", in.c_str(), out.c_str(), size->width,
               size->height);
  return 0;
}

}  // namespace norvane::cli
