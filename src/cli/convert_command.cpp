// norvane convert IN OUT --ts UID: a DICOM file rewritten in another transfer syntax.

#include <cstdio>
#include <string>

#include "cli/options.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "convert/convert_file.hpp"

namespace norvane::cli {
namespace {

constexpr OptionSpec kConvertOptions[] = {{"--ts", true}, {"--near", true}, {"--ratio", true}};

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "usage: norvane convert IN OUT --ts UID [--near N] [--ratio R]\n"
               "\n"
               "Writes the DICOM file IN to OUT in the transfer syntax --ts names, with a new\n"
               "meta group. Read and written: implicit VR little endian, explicit VR little\n"
               "endian, explicit VR big endian, deflated explicit VR little endian, JPEG\n"
               "baseline (process 1; 8-bit samples only, lossy), JPEG lossless (selection\n"
               "value 1; 8, 12 or 16-bit samples), RLE Lossless (8, 16 or 32-bit samples),\n"
               "JPEG-LS lossless and near-lossless and JPEG 2000 lossless and lossy (8 or\n"
               "16-bit samples; one or three per pixel throughout).\n"
               "Compressed pixel data must hold one fragment per frame (a single frame may\n"
               "have several). Uncompressed YBR_FULL_422 and YBR_PARTIAL_422 images hold\n"
               "their chroma at half rate; they go to JPEG baseline as RGB, not to the other\n"
               "compressed syntaxes. When IN already has that syntax it is copied. The pixel\n"
               "module elements stay as they are (except Planar Configuration 0 where frames\n"
               "pass through a codec, a YBR colour space becoming RGB after lossy JPEG\n"
               "decoding or JPEG 2000 decoding of YBR_ICT and YBR_RCT, and YBR_FULL_422\n"
               "becoming YBR_FULL after other decoding). An image that went through a lossy\n"
               "step (JPEG baseline, JPEG-LS with N above 0, lossy JPEG 2000) is marked Lossy\n"
               "Image Compression 01, with its compression ratio and method (ISO_10918_1,\n"
               "ISO_14495_1, ISO_15444_1) added to those of earlier steps; no new SOP\n"
               "Instance UID is written. OUT is written under a temporary name and renamed at\n"
               "the end; it may be IN.\n"
               "\n"
               "  --ts UID   a transfer syntax UID, or one of\n"
               "%s"
               "  --near N   jpeg-ls-near: the largest difference allowed between a sample\n"
               "             and its coded value, 0 to 255 (default 2; 0 codes losslessly)\n"
               "  --ratio R  j2k: the compression ratio aimed at, R to 1, 1 to 1000\n"
               "             (default 10)\n"
               "\n"
               "Exits with 1 when IN cannot be read, cannot be converted, or OUT cannot be\n"
               "written.\n",
               kTransferSyntaxAliasHelp);
}

}  // namespace

int RunConvert(int argc, char** argv) {
  const ParsedArgs args = ParseArgs(argc, argv, kConvertOptions);
  if (args.help) {
    PrintHelp(stdout);
    return 0;
  }
  std::string problem = args.error;
  if (problem.empty() && args.positionals.size() != 2) problem = "give IN and OUT";
  if (problem.empty() && !args.Value("--ts")) problem = "--ts is required";
  if (!problem.empty()) {
    std::fprintf(stderr, "norvane convert: %s\n\n", problem.c_str());
    PrintHelp(stderr);
    return 1;
  }
  const std::optional<std::string> uid = ResolveTransferSyntax(*args.Value("--ts"));
  if (!uid) {
    std::fprintf(stderr, "norvane convert: '%s' is neither a transfer syntax UID nor one of %s\n",
                 args.Value("--ts")->c_str(), kTransferSyntaxAliasHelp);
    return 1;
  }
  CodingOptions options;
  if (const std::optional<std::string> near = args.Value("--near")) {
    const std::optional<long> n = ParseNumber(*near);
    if (!n || *n > kMaxJpegLsNear) {
      std::fprintf(stderr, "norvane convert: --near '%s' is not a number from 0 to %d\n",
                   near->c_str(), kMaxJpegLsNear);
      return 1;
    }
    options.jpegLsNear = static_cast<int>(*n);
  }
  if (const std::optional<std::string> ratio = args.Value("--ratio")) {
    const std::optional<long> r = ParseNumber(*ratio);
    if (!r || *r < 1 || *r > static_cast<long>(kMaxJpeg2000Ratio)) {
      std::fprintf(stderr, "norvane convert: --ratio '%s' is not a number from 1 to %d\n",
                   ratio->c_str(), static_cast<int>(kMaxJpeg2000Ratio));
      return 1;
    }
    options.jpeg2000Ratio = static_cast<double>(*r);
  }
  const std::string& in = args.positionals[0];
  const std::string& out = args.positionals[1];
  const FileConvertResult result = ConvertFileTS(out, in, *uid, options);
  switch (result.status) {
    case FileConvertStatus::kConverted:
      std::fprintf(stdout, "%s: converted from %s to %s, written to %s\n", in.c_str(),
                   result.sourceSyntax.c_str(), uid->c_str(), out.c_str());
      return 0;
    case FileConvertStatus::kCopied:
      std::fprintf(stdout, "%s: already %s, copied to %s\n", in.c_str(), uid->c_str(), out.c_str());
      return 0;
    case FileConvertStatus::kCannotRead:
      std::fprintf(stderr, "norvane convert: %s %s\n", in.c_str(),
                   std::string(Describe(result.status)).c_str());
      return 1;
    case FileConvertStatus::kNotConverted:
      std::fprintf(stderr, "norvane convert: %s cannot be converted from %s to %s: %s\n",
                   in.c_str(), result.sourceSyntax.c_str(), uid->c_str(),
                   std::string(Describe(result.conversion)).c_str());
      return 1;
    case FileConvertStatus::kCannotWrite:
      std::fprintf(stderr, "norvane convert: %s cannot be written\n", out.c_str());
      return 1;
  }
  return 1;
}

}  // namespace norvane::cli
