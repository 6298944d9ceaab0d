// norvane thumbnail IN OUT --width N: a small JPEG picture of a DICOM image.

#include <cstdio>
#include <string>

#include "cli/options.hpp"
#include "thumbnail/create_thumbnail.hpp"

namespace norvane::cli {
namespace {

constexpr OptionSpec kThumbnailOptions[] = {{"--width", true}};

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "usage: norvane thumbnail IN OUT --width N\n"
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
               "length does not match Rows x Columns x Bits Allocated exit with 1.\n");
}

}  // namespace

int RunThumbnail(int argc, char** argv) {
  const ParsedArgs args = ParseArgs(argc, argv, kThumbnailOptions);
  if (args.help) {
    PrintHelp(stdout);
    return 0;
  }
  std::string problem = args.error;
  if (problem.empty() && args.positionals.size() != 2) problem = "give IN and OUT";
  if (problem.empty() && !args.Value("--width")) problem = "--width is required";
  std::optional<long> width;
  if (problem.empty()) {
    width = ParseNumber(*args.Value("--width"));
    if (!width || *width < 1 || *width > 65535) {
      problem = "--width takes a number from 1 to 65535, not '" + *args.Value("--width") + "'";
    }
  }
  if (!problem.empty()) {
    std::fprintf(stderr, "norvane thumbnail: %s\n\n", problem.c_str());
    PrintHelp(stderr);
    return 1;
  }
  const std::string& in = args.positionals[0];
  const std::string jpeg = ThumbnailFileName(args.positionals[1]);
  const ThumbnailStatus status = CreateThumbnail(args.positionals[1], in, static_cast<int>(*width));
  if (status != ThumbnailStatus::kWritten) {
    if (status == ThumbnailStatus::kCannotWrite) {
      std::fprintf(stderr, "norvane thumbnail: %s cannot be written\n", jpeg.c_str());
    } else {
      std::fprintf(stderr, "norvane thumbnail: %s %s\n", in.c_str(),
                   std::string(Describe(status)).c_str());
    }
    return 1;
  }
  std::fprintf(stdout, "%s: thumbnail written to %s\n", in.c_str(), jpeg.c_str());
  return 0;
}

}  // namespace norvane::cli
