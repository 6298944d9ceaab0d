// norvane dump FILE: the dataset dump of the main window on standard output.

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/options.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "dump/dump_list.hpp"

namespace norvane::cli {
namespace {

constexpr const char* kHelp =
    "usage: norvane dump FILE\n"
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
    "\n"
    "Prints \"Dump Failed!\" and exits with 1 when the file cannot be read, is not a DICOM\n"
    "file, or is cut short.\n";

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

}  // namespace

int RunDump(int argc, char** argv) {
  const ParsedArgs args = ParseArgs(argc, argv, {});
  if (args.help) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (!args.error.empty() || args.positionals.size() != 1) {
    std::fprintf(stderr, "norvane dump: %s\n%s",
                 args.error.empty() ? "give exactly one FILE" : args.error.c_str(), kHelp);
    return 1;
  }
  const std::string& fileName = args.positionals[0];
  const DicomFileContent content = DICOMFile(fileName);
  if (!content.Ok()) {
    std::fputs("Dump Failed!\n", stdout);
    std::fprintf(stderr, "norvane dump: %s %s\n", fileName.c_str(),
                 std::string(Describe(content.status)).c_str());
    return 1;
  }
  std::fputs("Dump OK!\n", stdout);
  PrintList(content.meta, content.explicitVR);
  PrintList(content.dataset, content.explicitVR);
  return 0;
}

}  // namespace norvane::cli
