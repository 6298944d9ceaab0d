#pragma once

// One run of a subcommand: its parsed command line, where its text lines go (standard
// output, or nowhere with --json), the JSON document it writes with --json, and how a bad
// command line is reported.

#include <cstddef>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/json_report.hpp"
#include "cli/options.hpp"

namespace norvane::cli {

class Invocation {
 public:
  Invocation(std::string_view subcommand, int argc, char** argv, std::span<const OptionSpec> specs);

  const std::string& Name() const { return name_; }
  ParsedArgs& Args() { return args_; }
  bool Json() const { return args_.json; }
  JsonReport& Report() { return report_; }

  // --help prints the help (exit status 0), an option that cannot be understood is a usage
  // error (2): the exit status then; nullopt to go on.
  std::optional<int> Start(void (*printHelp)());

  // The start of a network subcommand: Start, then HOST PORT (when at least `requiredAfter`
  // other positionals follow) and the titles into `peer`, the time-out and log options. A
  // subcommand without other arguments (`requiredAfter` 0) takes no stray word. The TLS
  // options go into the peer's TLS settings. The first association the subcommand opens
  // with `peer` is the "association" of the JSON "peer".
  std::optional<int> StartNetwork(void (*printHelp)(), size_t requiredAfter, Peer& peer);

  // The TLS options into `tls`; the --tls-no-verify warning goes to standard error. The
  // problem with them; empty when none.
  std::string ApplyTlsOptions(TlsSettings& tls);

  // A line of text on standard output; nothing with --json.
  void Out(std::string_view line);
  // The same for a text a peer or a file controls (TerminalText).
  void OutPeerText(std::string_view line);

  // A bad command line: "norvane SUBCOMMAND: PROBLEM (see norvane SUBCOMMAND --help)" on
  // standard error and, with --json, the document with exit status 2. Returns 2.
  int Usage(std::string_view problem);

  // The end of the run: with --json the document on standard output. Returns `exitCode`.
  int Finish(int exitCode, std::string_view reason = {});

 private:
  std::string name_;
  ParsedArgs args_;
  JsonReport report_;
  std::mutex associationMutex_;  // associations may be opened on several threads
  bool associationReported_ = false;
};

}  // namespace norvane::cli
