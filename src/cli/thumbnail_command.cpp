// norvane thumbnail IN OUT --width N: a small JPEG picture of a DICOM image.

#include <cstdio>
#include <string>

#include "cli/commands.hpp"
#include "cli/file_problem.hpp"
#include "cli/invocation.hpp"
#include "cli/options.hpp"
#include "thumbnail/create_thumbnail.hpp"

namespace norvane::cli {
namespace {

void PrintHelp() {
  std::printf(
      "usage: norvane thumbnail IN OUT --width N [--json]\n"
      "\n"
      "Draws the image of the DICOM file IN, N pixels wide, and writes it as a JPEG\n"
      "file (quality 60) named OUT with its extension replaced by .jpg (thumb.bmp\n"
      "gives thumb.jpg). The height follows the image's aspect ratio; the outermost\n"
      "rows and columns stay black. Grey images go through the rescale slope and\n"
      "intercept and the stored window (8-bit images are always centred at 127;\n"
      "MONOCHROME1 is inverted) with bilinear sampling; RGB images (8-bit) are\n"
      "sampled nearest neighbour.\n"
      "\n"
      "  --width N   width of the picture in pixels (1 to 65535)\n"
      "\n"
      "Only single-frame images in implicit or explicit VR little endian are drawn;\n"
      "big endian and compressed files, multi-frame images and pixel data whose\n"
      "length does not match Rows x Columns x Bits Allocated exit with 1, as do a\n"
      "missing IN and one that is no DICOM file (standard error tells which); a bad\n"
      "command line exits with 2.\n"
      "\n"
      "%s",
      kJsonHelp);
}

}  // namespace

std::vector<OptionSpec> ThumbnailOptions() {
  return {{"--width", true}};
}

int RunThumbnail(int argc, char** argv) {
  Invocation run("thumbnail", argc, argv, ThumbnailOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.size() != 2) return run.Usage("give IN and OUT");
  if (!args.Value("--width")) return run.Usage("--width is required");
  const std::optional<long> width = ParseNumber(*args.Value("--width"));
  if (!width || *width < 1 || *width > 65535) {
    return run.Usage("--width takes a number from 1 to 65535, not '" + *args.Value("--width") +
                     "'");
  }
  const std::string& in = args.positionals[0];
  const std::string jpeg = ThumbnailFileName(args.positionals[1]);
  run.Report()["in"] = in;
  run.Report()["out"] = jpeg;
  run.Report()["width"] = *width;
  const ThumbnailStatus status = CreateThumbnail(args.positionals[1], in, static_cast<int>(*width));
  if (status != ThumbnailStatus::kWritten) {
    std::string reason;
    if (status == ThumbnailStatus::kCannotWrite) {
      reason = jpeg + " cannot be written";
    } else if (status == ThumbnailStatus::kCannotRead) {
      reason = in + " " + UnreadableDicomFile(in);
    } else {
      reason = in + " " + std::string(Describe(status));
    }
    std::fprintf(stderr, "norvane thumbnail: %s\n", reason.c_str());
    return run.Finish(1, reason);
  }
  run.Out(in + ": thumbnail written to " + jpeg);
  return run.Finish(0);
}

}  // namespace norvane::cli
