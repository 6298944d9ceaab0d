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
#include "net/tls_settings.hpp"

namespace norvane::cli {

// One option a subcommand accepts: "--ts" with a value, "-v" without. `choices` lists the
// values the option takes, separated by blanks, where they are few (for shell completion).
struct OptionSpec {
  const char* name;
  bool takesValue;
  const char* choices = nullptr;
};

struct ParsedArgs {
  std::vector<std::string> positionals;
  std::map<std::string, std::vector<std::string>> values;  // every value, in order given
  std::vector<std::string> flags;
  bool help = false;
  bool json = false;  // --json: one JSON document on standard output instead of text lines
  std::string error;  // non-empty when the command line cannot be understood

  bool Has(const std::string& name) const;
  std::optional<std::string> Value(const std::string& name) const;  // the last one given
  const std::vector<std::string>& Values(const std::string& name) const;
};

// Understands "--name value", "--name=value", flags, "--help"/"-h", "--json" and "--" (end
// of options). --json is seen even when the command line is bad otherwise.
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
// The TLS options: every network subcommand takes them (NetworkOptionsAnd), and so does
// the SCP.
inline constexpr OptionSpec kTlsOptions[] = {
    {"--tls", false},           {"--tls-ca", true},
    {"--tls-cert", true},       {"--tls-key", true},
    {"--tls-no-verify", false}, {"--tls-profile", true, "bcp195 bcp195-nd bcp195-ex"}};
#define NORVANE_TLS_HELP                                                                      \
  "  --tls              secure the connection with TLS (1.2 or 1.3; DICOM's port for it is\n" \
  "                     2762 by convention). Defaults of the TLS options: the settings\n"     \
  "                     file testscu-tls.cfg (norvane config), else plain TCP\n"              \
  "  --tls-profile NAME bcp195-nd (default: non-downgrading, TLS 1.2 at least), bcp195\n"     \
  "                     (also older versions) or bcp195-ex (extended: ECDHE AES-GCM only)\n"  \
  "  --tls-ca FILE      trusted certificates (PEM) instead of the system's; the peer's\n"     \
  "                     certificate is verified, and its host name when HOST is a name\n"     \
  "  --tls-cert FILE    own certificate (PEM), with --tls-key FILE its unencrypted key\n"     \
  "  --tls-no-verify    do not verify the peer's certificate (a warning is printed)\n"
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
    "  -v                 print the log lines on standard error as well\n" NORVANE_TLS_HELP;
#undef NORVANE_TLS_HELP

inline constexpr const char* kJsonHelp =
    "  --json             one JSON document on standard output instead of the text lines\n"
    "                     (docs/json.md); standard error and the log stay as they are\n";

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
  uint64_t maxObjectSize = kDefaultMaxObjectSize;
  TlsSettings tls;
  // Told of each association the subcommand opens (AssociationParameters::accepted).
  std::function<void(const PDU_Service&)> accepted = nullptr;

  AssociationParameters Parameters() const;
};

// The longest AE title.
inline constexpr size_t kMaxAETitleLength = 16;

// Takes HOST PORT from the front of the positionals when they are there: the first two
// positionals are a peer when the second one is a port number and `requiredAfter` further
// positionals remain. Removes them from `args.positionals`. `problem` says what is wrong
// when the second word was meant as a port and is none (a number outside 1 to 65535; for a
// subcommand without other arguments, anything but a port), or when --aet or --aec is no
// AE title.
Peer ResolvePeer(ParsedArgs& args, size_t requiredAfter, std::string& problem);

// Why `title` cannot be the AE title of `option`: empty, longer than 16 characters, or
// holding a backslash or a control character; empty when it can.
std::string AETitleProblem(std::string_view option, std::string_view title);

// Applies --log, --log-level and -v to the log facility. The problem when --log-level is
// not a number; empty when all went well.
std::string ApplyLogOptions(const ParsedArgs& args, int defaultLevel);

// Takes --connect-timeout, --acse-timeout and --dimse-timeout into the peer's time-outs.
// The problem when one is not a number of seconds; empty when all went well.
std::string ApplyTimeoutOptions(const ParsedArgs& args, Peer& peer);
// Takes the TLS options into `tls` (its other fields stay as they are). The problem when
// one cannot be used: an unknown profile, a certificate without its key, a TLS option
// without --tls. `warning` is set for --tls-no-verify.
std::string ApplyTlsOptions(const ParsedArgs& args, TlsSettings& tls, std::string& warning);
// Prints one line of text that a peer or a file controls, made safe for a terminal
// (TerminalText: control bytes and malformed UTF-8 as \xNN), followed by a line feed.
void PrintPeerText(std::FILE* out, std::string_view text);

// Parses a whole non-negative decimal number.
std::optional<long> ParseNumber(const std::string& text);

// Parses a size in bytes: a whole number, or one followed by K, M or G (KiB, MiB, GiB;
// "512M"). Zero and sizes beyond 4 GiB are refused.
std::optional<uint64_t> ParseObjectSize(const std::string& text);

// Takes --max-object-size into `size`; the problem when it is no size; empty otherwise.
std::string ApplyMaxObjectSize(const ParsedArgs& args, uint64_t& size);

// Parses a non-negative number of seconds, whole or with up to three decimals ("2.5").
std::optional<std::chrono::milliseconds> ParseSeconds(const std::string& text);

}  // namespace norvane::cli
