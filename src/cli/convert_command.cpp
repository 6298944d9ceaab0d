// norvane convert IN OUT --ts UID: a DICOM file rewritten in another transfer syntax.

#include <cstdio>
#include <string>

#include "cli/options.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "convert/convert_file.hpp"

namespace norvane::cli {
namespace {

constexpr OptionSpec kConvertOptions[] = {{"--ts", true}};

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "usage: norvane convert IN OUT --ts UID\n"
               "\n"
               "Writes the DICOM file IN to OUT in the transfer syntax --ts names, with a new\n"
               "meta group. Read and written: implicit VR little endian, explicit VR little\n"
               "endian, explicit VR big endian, JPEG baseline (process 1; 8-bit samples only,\n"
               "lossy) and JPEG lossless (selection value 1; 8, 12 or 16-bit samples).\n"
               "Compressed pixel data must hold one fragment per frame (a single frame may\n"
               "have several). Uncompressed YBR_FULL_422 and YBR_PARTIAL_422 images hold\n"
               "their chroma at half rate; they go to JPEG baseline as RGB, not to JPEG\n"
               "lossless. When IN already has that syntax it is copied. The pixel module\n"
               "elements stay as they are (except Planar Configuration 0 and a YBR colour\n"
               "space becoming RGB, or YBR_FULL after lossless decoding, where frames pass\n"
               "through the JPEG codec). An image that went through JPEG baseline is marked\n"
               "Lossy Image Compression 01, with its compression ratio and the method\n"
               "ISO_10918_1 added to those of earlier steps; no new SOP Instance UID is\n"
               "written. OUT is written under a temporary name and renamed at the end; it\n"
               "may be IN.\n"
               "\n"
               "  --ts UID   a transfer syntax UID, or one of\n"
               "             %s\n"
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
  const std::string& in = args.positionals[0];
  const std::string& out = args.positionals[1];
  const FileConvertResult result = ConvertFileTS(out, in, *uid);
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
