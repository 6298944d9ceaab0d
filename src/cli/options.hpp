#pragma once

#include <cstdio>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::cli {

// One option a subcommand accepts: "--ts" with a value, "-v" without.
struct OptionSpec {
  const char* name;
  bool takesValue;
};

struct ParsedArgs {
  std::vector<std::string> positionals;
  std::map<std::string, std::vector<std::string>> values;  // every value, in order given
  std::vector<std::string> flags;
  bool help = false;
  std::string error;  // non-empty when the command line cannot be understood

  bool Has(const std::string& name) const;
  std::optional<std::string> Value(const std::string& name) const;  // the last one given
  const std::vector<std::string>& Values(const std::string& name) const;
};

// Understands "--name value", "--name=value", flags, "--help"/"-h" and "--" (end of options).
ParsedArgs ParseArgs(int argc, char** argv, std::span<const OptionSpec> specs);

// The network options every network subcommand shares.
inline constexpr OptionSpec kNetworkOptions[] = {
    {"--aet", true}, {"--aec", true}, {"--log", true}, {"--log-level", true}, {"-v", false}};
inline constexpr const char* kNetworkHelp =
    "  HOST PORT          remote node (default: settings file testscu.cfg, else 127.0.0.1 104)\n"
    "  --aet TITLE        calling (local) AE title (default: settings, else \"local\")\n"
    "  --aec TITLE        called (remote) AE title (default: settings, else \"remote\")\n"
    "  --log FILE         write the protocol log to FILE\n"
    "  --log-level N      0 errors only, 2 association trace, 3 also a hex dump of all traffic\n"
    "  -v                 print the log lines on standard error as well\n";

// Where and as whom to connect, from HOST PORT, --aet/--aec and the settings file.
struct Peer {
  std::string host;
  std::string port;
  std::string callingAET;
  std::string calledAET;
  int logLevel = 0;
};

// Takes HOST PORT from the front of the positionals when they are there: the first two
// positionals are a peer when the second one is a port number and `requiredAfter` further
// positionals remain. Removes them from `args.positionals`.
Peer ResolvePeer(ParsedArgs& args, size_t requiredAfter);

// Applies --log, --log-level and -v to the log facility. False (with a message on standard
// error) when --log-level is not a number.
bool ApplyLogOptions(const ParsedArgs& args, int defaultLevel);

// Prints one line of text that a peer or a file controls, made safe for a terminal
// (TerminalText: control bytes and malformed UTF-8 as \xNN), followed by a line feed.
void PrintPeerText(std::FILE* out, std::string_view text);

// Parses a whole non-negative decimal number.
std::optional<long> ParseNumber(const std::string& text);

}  // namespace norvane::cli
