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

namespace norvane::cli {
namespace {

void PrintHelp() {
  std::printf(
      "usage: norvane convert IN OUT --ts UID [--json]\n"
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
      "%s"
      "\n"
      "Exits with 1 when IN cannot be read (standard error tells a missing file from\n"
      "one that is no DICOM file), cannot be converted, or OUT cannot be written; 2 for\n"
      "a bad command line.\n",
      kTransferSyntaxAliasHelp, kJsonHelp);
}

}  // namespace

std::vector<OptionSpec> ConvertOptions() {
  return {{"--ts", true, kTransferSyntaxChoices}};
}

int RunConvert(int argc, char** argv) {
  Invocation run("convert", argc, argv, ConvertOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.size() != 2) return run.Usage("give IN and OUT");
  if (!args.Value("--ts")) return run.Usage("--ts is required");
  const std::optional<std::string> uid = ResolveTransferSyntax(*args.Value("--ts"));
  if (!uid) return run.Usage(TransferSyntaxProblem(*args.Value("--ts")));
  const std::string& in = args.positionals[0];
  const std::string& out = args.positionals[1];
  run.Report()["in"] = in;
  run.Report()["out"] = out;
  run.Report()["targetTransferSyntax"] = *uid;
  const FileConvertResult result = ConvertFileTS(out, in, *uid);
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
