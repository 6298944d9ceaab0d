// norvane meta FILE --ts UID: a bare dataset file turned into a DICOM file in place.

#include <cstdio>
#include <string>

#include "cli/options.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "datadec/append_meta_header.hpp"

namespace norvane::cli {
namespace {

constexpr OptionSpec kMetaOptions[] = {{"--ts", true}};

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "usage: norvane meta FILE --ts UID\n"
               "\n"
               "FILE holds a bare dataset (no preamble, no meta group) encoded in the transfer\n"
               "syntax --ts names. The file is replaced by a DICOM file holding the same\n"
               "elements unchanged, after a 128-byte preamble, \"DICM\" and a meta group\n"
               "naming the dataset's SOP class (0008,0016), SOP instance (0008,0018) and the\n"
               "transfer syntax. Nothing is converted: --ts must say how the dataset is\n"
               "encoded. The new file is written beside the old one and renamed over it, so a\n"
               "failure leaves FILE as it was.\n"
               "\n"
               "  --ts UID   a transfer syntax UID, or one of these names:\n"
               "%s"
               "\n"
               "Exits with 1 when the file cannot be read, already is a DICOM file, holds no\n"
               "elements, is cut short, or cannot be rewritten.\n",
               kTransferSyntaxAliasHelp);
}

}  // namespace

int RunMeta(int argc, char** argv) {
  const ParsedArgs args = ParseArgs(argc, argv, kMetaOptions);
  if (args.help) {
    PrintHelp(stdout);
    return 0;
  }
  std::string problem = args.error;
  if (problem.empty() && args.positionals.size() != 1) problem = "give exactly one FILE";
  if (problem.empty() && !args.Value("--ts")) problem = "--ts is required";
  if (!problem.empty()) {
    std::fprintf(stderr, "norvane meta: %s\n\n", problem.c_str());
    PrintHelp(stderr);
    return 1;
  }
  const std::optional<std::string> uid = ResolveTransferSyntax(*args.Value("--ts"));
  if (!uid) {
    std::fprintf(stderr,
                 "norvane meta: '%s' is neither a transfer syntax UID nor one of these names:\n%s",
                 args.Value("--ts")->c_str(), kTransferSyntaxAliasHelp);
    return 1;
  }
  const std::string& fileName = args.positionals[0];
  const AppendMetaResult result = AppendMetaHeader(fileName, *uid);
  if (result != AppendMetaResult::kDone) {
    std::fprintf(stderr, "norvane meta: %s %s\n", fileName.c_str(),
                 std::string(Describe(result)).c_str());
    return 1;
  }
  std::fprintf(stdout, "%s: meta header added, transfer syntax %s\n", fileName.c_str(),
               uid->c_str());
  return 0;
}

}  // namespace norvane::cli
