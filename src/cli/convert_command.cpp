// norvane convert IN OUT --ts UID: a DICOM file rewritten in another transfer syntax.

#include <cstdio>
#include <string>

#include "cli/commands.hpp"
#include "cli/file_problem.hpp"
#include "cli/invocation.hpp"
#include "cli/operation_report.hpp"
#include "cli/options.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "convert/convert_file.hpp"
#include "dictionary/uid_names.hpp"
#include "platform/parallel_for.hpp"

namespace norvane::cli {
namespace {

// More threads than frames or cores gain nothing; the bound keeps a typing slip harmless.
constexpr long kMaxThreads = 256;

void PrintHelp() {
  std::printf(
      "usage: norvane convert IN OUT --ts UID [--near N] [--ratio R] [--threads N]\n"
      "                       [--json]\n"
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
      "             %s\n"
      "  --near N   jpeg-ls-near: the largest difference allowed between a sample\n"
      "             and its coded value, 0 to 255 (default 2; 0 codes losslessly)\n"
      "  --ratio R  j2k: the compression ratio aimed at, R to 1, 1 to 1000\n"
      "             (default 10)\n"
      "  --threads N\n"
      "             frames of a multi-frame image coded at once, 1 to 256\n"
      "             (default: one per core, here %u); the output is the\n"
      "             same whatever the number\n"
      "\n"
      "%s"
      "\n"
      "Exits with 1 when IN cannot be read (standard error tells a missing file from\n"
      "one that is no DICOM file), cannot be converted, or OUT cannot be written; 2 for\n"
      "a bad command line.\n",
      kTransferSyntaxAliasHelp, WorkerCount(0), kJsonHelp);
}

}  // namespace

std::vector<OptionSpec> ConvertOptions() {
  return {{"--ts", true, kTransferSyntaxChoices},
          {"--near", true},
          {"--ratio", true},
          {"--threads", true}};
}

int RunConvert(int argc, char** argv) {
  Invocation run("convert", argc, argv, ConvertOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.size() != 2) return run.Usage("give IN and OUT");
  if (!args.Value("--ts")) return run.Usage("--ts is required");
  const std::optional<std::string> uid = ResolveTransferSyntax(*args.Value("--ts"));
  if (!uid) return run.Usage(TransferSyntaxProblem(*args.Value("--ts")));
  CodingOptions options;
  if (const std::optional<std::string> near = args.Value("--near")) {
    const std::optional<long> n = ParseNumber(*near);
    if (!n || *n > kMaxJpegLsNear) {
      return run.Usage("--near '" + *near + "' is not a number from 0 to " +
                       std::to_string(kMaxJpegLsNear));
    }
    options.jpegLsNear = static_cast<int>(*n);
  }
  if (const std::optional<std::string> ratio = args.Value("--ratio")) {
    const std::optional<long> r = ParseNumber(*ratio);
    if (!r || *r < 1 || *r > static_cast<long>(kMaxJpeg2000Ratio)) {
      return run.Usage("--ratio '" + *ratio + "' is not a number from 1 to " +
                       std::to_string(static_cast<int>(kMaxJpeg2000Ratio)));
    }
    options.jpeg2000Ratio = static_cast<double>(*r);
  }
  if (const std::optional<std::string> threads = args.Value("--threads")) {
    const std::optional<long> n = ParseNumber(*threads);
    if (!n || *n < 1 || *n > kMaxThreads) {
      return run.Usage("--threads '" + *threads + "' is not a number from 1 to " +
                       std::to_string(kMaxThreads));
    }
    options.threads = static_cast<unsigned>(*n);
  }
  const std::string& in = args.positionals[0];
  const std::string& out = args.positionals[1];
  run.Report()["in"] = in;
  run.Report()["out"] = out;
  run.Report()["targetTransferSyntax"] = *uid;
  const FileConvertResult result = ConvertFileTS(out, in, *uid, options);
  run.Report()["sourceTransferSyntax"] =
      result.sourceSyntax.empty() ? Json(nullptr) : Json(result.sourceSyntax);
  std::string reason;
  switch (result.status) {
    case FileConvertStatus::kConverted:
      run.Report()["result"] = "converted";
      run.Out(in + ": converted from " + UIDWithName(result.sourceSyntax) + " to " +
              UIDWithName(*uid) + ", written to " + out);
      return run.Finish(0);
    case FileConvertStatus::kCopied:
      run.Report()["result"] = "copied";
      run.Out(in + ": already " + UIDWithName(*uid) + ", copied to " + out);
      return run.Finish(0);
    case FileConvertStatus::kCannotRead:
      reason = in + " " + UnreadableDicomFile(in);
      break;
    case FileConvertStatus::kNotConverted:
      reason = in + " cannot be converted from " + result.sourceSyntax + " to " + *uid + ": " +
               std::string(Describe(result.conversion));
      break;
    case FileConvertStatus::kCannotWrite:
      reason = out + " cannot be written";
      break;
  }
  run.Report()["result"] = "failed";
  ReportReason("convert", reason);
  return run.Finish(1, reason);
}

}  // namespace norvane::cli
