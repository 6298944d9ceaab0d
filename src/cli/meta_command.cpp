// norvane meta FILE --ts UID: a bare dataset file turned into a DICOM file in place.

#include <cstdio>
#include <string>

#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/options.hpp"
#include "cli/transfer_syntax_option.hpp"
#include "datadec/append_meta_header.hpp"
#include "dictionary/uid_names.hpp"

namespace norvane::cli {
namespace {

void PrintHelp() {
  std::printf(
      "usage: norvane meta FILE --ts UID [--json]\n"
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
      "%s"
      "\n"
      "Exits with 1 when the file cannot be read, already is a DICOM file, holds no\n"
      "elements, is cut short, or cannot be rewritten; 2 for a bad command line.\n",
      kTransferSyntaxAliasHelp, kJsonHelp);
}

}  // namespace

std::vector<OptionSpec> MetaOptions() {
  return {{"--ts", true, kTransferSyntaxChoices}};
}

int RunMeta(int argc, char** argv) {
  Invocation run("meta", argc, argv, MetaOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  ParsedArgs& args = run.Args();
  if (args.positionals.size() != 1) return run.Usage("give exactly one FILE");
  if (!args.Value("--ts")) return run.Usage("--ts is required");
  const std::optional<std::string> uid = ResolveTransferSyntax(*args.Value("--ts"));
  if (!uid) return run.Usage(TransferSyntaxProblem(*args.Value("--ts")));
  const std::string& fileName = args.positionals[0];
  run.Report()["file"] = fileName;
  run.Report()["transferSyntax"] = *uid;
  const AppendMetaResult result = AppendMetaHeader(fileName, *uid);
  if (result != AppendMetaResult::kDone) {
    const std::string reason = fileName + " " + std::string(Describe(result));
    std::fprintf(stderr, "norvane meta: %s\n", reason.c_str());
    return run.Finish(1, reason);
  }
  run.Out(fileName + ": meta header added, transfer syntax " + UIDWithName(*uid));
  return run.Finish(0);
}

}  // namespace norvane::cli
