#pragma once

#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/association_parameters.hpp"

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
inline constexpr OptionSpec kNetworkOptions[] = {{"--aet", true},
                                                 {"--aec", true},
                                                 {"--log", true},
                                                 {"--log-level", true},
                                                 {"-v", false},
                                                 {"--connect-timeout", true},
                                                 {"--acse-timeout", true},
                                                 {"--dimse-timeout", true}};
inline constexpr const char* kNetworkHelp =
    "  HOST PORT          remote node (default: settings file testscu.cfg, else 127.0.0.1 104)\n"
    "  --aet TITLE        calling (local) AE title (default: settings, else \"local\")\n"
    "  --aec TITLE        called (remote) AE title (default: settings, else \"remote\")\n"
    "  --connect-timeout SECONDS\n"
    "                     wait at most this long for the TCP connection (default 30)\n"
    "  --acse-timeout SECONDS\n"
    "                     wait at most this long for the answer to the association request\n"
    "                     and to the release request (default 30)\n"
    "  --dimse-timeout SECONDS\n"
    "                     wait at most this long for each DIMSE response, and for the peer\n"
    "                     to take data while sending (default 300). Time-outs take whole or\n"
    "                     decimal seconds (0.5); 0 sets no limit\n"
    "  --log FILE         write the protocol log to FILE\n"
    "  --log-level N      0 errors only, 2 association trace, 3 also a hex dump of all traffic\n"
    "  -v                 print the log lines on standard error as well\n";

// The network options followed by a subcommand's own.
std::vector<OptionSpec> NetworkOptionsAnd(std::initializer_list<OptionSpec> own);

// Where and as whom to connect, from HOST PORT, --aet/--aec and the settings file, and how
// long to wait (the time-out options).
struct Peer {
  std::string host;
  std::string port;
  std::string callingAET;
  std::string calledAET;
  int logLevel = 0;
  NetworkTimeouts timeouts;

  AssociationParameters Parameters() const;
};

// Takes HOST PORT from the front of the positionals when they are there: the first two
// positionals are a peer when the second one is a port number and `requiredAfter` further
// positionals remain. Removes them from `args.positionals`.
Peer ResolvePeer(ParsedArgs& args, size_t requiredAfter);

// The start of a subcommand that takes HOST PORT and no other argument: `printHelp` for
// --help (exit status 0); an option error or a stray argument on standard error (2).
// Nullopt when the subcommand goes on with `peer`, else its exit status.
std::optional<int> StartPeerCommand(ParsedArgs& args, std::string_view subcommand,
                                    void (*printHelp)(), Peer& peer);

// Applies --log, --log-level and -v to the log facility. False (with a message on standard
// error) when --log-level is not a number.
bool ApplyLogOptions(const ParsedArgs& args, int defaultLevel);

// Takes --connect-timeout, --acse-timeout and --dimse-timeout into the peer's time-outs.
// False (with a message on standard error naming the subcommand) when one is not a number
// of seconds.
bool ApplyTimeoutOptions(const ParsedArgs& args, std::string_view subcommand, Peer& peer);
// Prints one line of text that a peer or a file controls, made safe for a terminal
// (TerminalText: control bytes and malformed UTF-8 as \xNN), followed by a line feed.
void PrintPeerText(std::FILE* out, std::string_view text);

// Parses a whole non-negative decimal number.
std::optional<long> ParseNumber(const std::string& text);

// Parses a non-negative number of seconds, whole or with up to three decimals ("2.5").
std::optional<std::chrono::milliseconds> ParseSeconds(const std::string& text);

}  // namespace norvane::cli
