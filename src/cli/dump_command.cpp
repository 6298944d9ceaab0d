// norvane dump FILE: the dataset dump of the main window on standard output, or the file in
// the DICOM JSON Model.

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/commands.hpp"
#include "cli/file_problem.hpp"
#include "cli/invocation.hpp"
#include "cli/options.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "dump/dicom_json.hpp"
#include "dump/dump_list.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane::cli {
namespace {

void PrintHelp() {
  std::printf(
      "usage: norvane dump FILE [--json [--inline-max BYTES]]\n"
      "\n"
      "Reads a DICOM file (128-byte preamble, \"DICM\", meta group, dataset) and prints\n"
      "\"Dump OK!\", then one line per element of the meta group and of the dataset:\n"
      "  (0028, 0010), 2, US  \"128\" - Rows        value of fewer than 256 bytes\n"
      "  (7FE0, 0010), 32768, OW - Pixel Data     longer value, not shown\n"
      "  (0008, 1140), SQ - Referenced ...         length 0 or undefined\n"
      "Elements inside items of undefined length get \".....\" per open item; those nested\n"
      "in more than 64 items are not shown (one line says where). Sequences of\n"
      "defined length are shown as one line. A US, SS, UL or SL value of up to 4 bytes is\n"
      "shown as one decimal number (its bytes taken as a little-endian 32-bit integer, so\n"
      "SS -1 shows as 65535), an FL or FD value of up to 4 bytes as a single-precision\n"
      "number with two decimals, longer ones as \"Vector!!\". Values of big-endian files\n"
      "are shown as they are stored. Other values are shown as the file holds them, up to\n"
      "a first NUL byte; control characters and bytes that are no printable UTF-8 are\n"
      "shown as \\xNN (hex). Element names are in UTF-8. Lines are printed as they are made.\n"
      "Values of 64 KiB and more that are not shown are not read either (all but sequences\n"
      "and their items), so a dump of a file of any size takes little memory.\n"
      "\n"
      "Prints \"Dump Failed!\" and exits with 1 when the file cannot be read, is not a DICOM\n"
      "file, or is cut short; standard error says which.\n"
      "\n"
      "options:\n"
      "%s"
      "                     \"meta\" and \"dataset\" are data sets in the DICOM JSON Model:\n"
      "                     numbers as numbers, sequences with their items, texts in UTF-8\n"
      "  --inline-max BYTES with --json, binary values (OB, OW, UN, ...) of up to BYTES\n"
      "                     bytes are given as \"InlineBinary\" (base64), longer ones by\n"
      "                     their \"length\" (default %zu)\n"
      "  -h, --help         show this help\n"
      "\n"
      "exit status: 0 dumped, 1 the file cannot be read, 2 bad command line\n",
      kJsonHelp, kDefaultInlineBinaryLimit);
}

// Prints the dump lines of a list as they are made, ready for a terminal.
void PrintList(const TagList& list, bool explicitVR) {
  DumpList(
      list,
      [](std::string_view line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
      },
      explicitVR, DumpListOptions{.terminalText = true});
}

// The file's meta group and dataset in the DICOM JSON Model. False (with the reason) when
// a part of the dataset could not be shown.
std::string AddJson(JsonReport& report, const DicomFileContent& content, size_t inlineMax) {
  report["transferSyntax"] = TrimmedText(content.meta, tag::kTransferSyntaxUID);
  const DicomJson meta = DatasetToJson(content.meta, {true, false, inlineMax});
  const DicomJson dataset =
      DatasetToJson(content.dataset, {content.explicitVR, content.bigEndian, inlineMax});
  report["meta"] = meta.dataset;
  report["dataset"] = dataset.dataset;
  if (dataset.nestedTooDeep) return "items nested deeper than 64 levels are left out";
  if (dataset.malformedSequence) return "a sequence whose value holds no items is shown by length";
  return {};
}

}  // namespace

std::vector<OptionSpec> DumpOptions() {
  return {{"--inline-max", true}};
}

int RunDump(int argc, char** argv) {
  Invocation run("dump", argc, argv, DumpOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.size() != 1) return run.Usage("give exactly one FILE");
  size_t inlineMax = kDefaultInlineBinaryLimit;
  if (const std::optional<std::string> text = args.Value("--inline-max")) {
    const std::optional<long> n = ParseNumber(*text);
    if (!n) return run.Usage("--inline-max needs a number of bytes, not '" + *text + "'");
    inlineMax = static_cast<size_t>(*n);
  }
  const std::string& fileName = args.positionals[0];
  run.Report()["file"] = fileName;
  // Long values are shown by their length: they stay in the file, and a dump of any size
  // takes little memory.
  const DicomFileContent content = DICOMFile(fileName, LargeValues::kOnlyLengthShown);
  if (!content.Ok()) {
    run.Out("Dump Failed!");
    const std::string reason = fileName + " " + UnreadableDicomFile(fileName);
    std::fflush(stdout);
    std::fprintf(stderr, "norvane dump: %s\n", reason.c_str());
    return run.Finish(1, reason);
  }
  if (run.Json()) {
    const std::string problem = AddJson(run.Report(), content, inlineMax);
    if (!problem.empty())
      std::fprintf(stderr, "norvane dump: %s: %s\n", fileName.c_str(), problem.c_str());
    return run.Finish(0);
  }
  std::fputs("Dump OK!\n", stdout);
  PrintList(content.meta, content.explicitVR);
  PrintList(content.dataset, content.explicitVR);
  return run.Finish(0);
}

}  // namespace norvane::cli
