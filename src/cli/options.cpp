#include "cli/options.hpp"

#include <cstdio>
#include <cstring>

#include "app/setup/settings.hpp"
#include "log/log.hpp"
#include "platform/terminal_text.hpp"

namespace norvane::cli {
namespace {

const OptionSpec* FindSpec(std::span<const OptionSpec> specs, const std::string& name) {
  for (const OptionSpec& s : specs) {
    if (name == s.name) return &s;
  }
  return nullptr;
}

bool IsPortNumber(const std::string& text) {
  const std::optional<long> n = ParseNumber(text);
  return n && *n > 0 && *n <= 65535;
}

}  // namespace

bool ParsedArgs::Has(const std::string& name) const {
  for (const std::string& f : flags) {
    if (f == name) return true;
  }
  return values.count(name) != 0;
}

std::optional<std::string> ParsedArgs::Value(const std::string& name) const {
  const auto it = values.find(name);
  if (it == values.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

const std::vector<std::string>& ParsedArgs::Values(const std::string& name) const {
  static const std::vector<std::string> none;
  const auto it = values.find(name);
  return it == values.end() ? none : it->second;
}

ParsedArgs ParseArgs(int argc, char** argv, std::span<const OptionSpec> specs) {
  ParsedArgs out;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      out.positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      out.help = true;
      continue;
    }
    std::string inlineValue;
    bool hasInline = false;
    if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      hasInline = true;
    }
    const OptionSpec* spec = FindSpec(specs, arg);
    if (!spec) {
      out.error = "unknown option '" + arg + "'";
      return out;
    }
    if (!spec->takesValue) {
      if (hasInline) {
        out.error = "option '" + arg + "' takes no value";
        return out;
      }
      out.flags.push_back(arg);
      continue;
    }
    if (hasInline) {
      out.values[arg].push_back(inlineValue);
    } else if (i + 1 < argc) {
      out.values[arg].push_back(argv[++i]);
    } else {
      out.error = "option '" + arg + "' needs a value";
      return out;
    }
  }
  return out;
}

std::vector<OptionSpec> NetworkOptionsAnd(std::initializer_list<OptionSpec> own) {
  std::vector<OptionSpec> specs(std::begin(kNetworkOptions), std::end(kNetworkOptions));
  specs.insert(specs.end(), own.begin(), own.end());
  return specs;
}

AssociationParameters Peer::Parameters() const {
  return AssociationParameters{host, port, callingAET, calledAET, timeouts};
}

Peer ResolvePeer(ParsedArgs& args, size_t requiredAfter) {
  Settings settings;
  settings.Load("./" + std::string(kSettingsFileName));
  Peer peer{settings.host(),      settings.port(),     settings.localAET(),
            settings.remoteAET(), settings.logLevel(), NetworkTimeouts{}};
  std::vector<std::string>& pos = args.positionals;
  if (pos.size() >= 2 + requiredAfter && IsPortNumber(pos[1])) {
    peer.host = pos[0];
    peer.port = pos[1];
    pos.erase(pos.begin(), pos.begin() + 2);
  }
  if (const auto aet = args.Value("--aet")) peer.callingAET = *aet;
  if (const auto aec = args.Value("--aec")) peer.calledAET = *aec;
  return peer;
}

std::optional<int> StartPeerCommand(ParsedArgs& args, std::string_view subcommand,
                                    void (*printHelp)(), Peer& peer) {
  const std::string name(subcommand);
  if (args.help) {
    printHelp();
    return 0;
  }
  if (!args.error.empty()) {
    std::fprintf(stderr, "norvane %s: %s (see norvane %s --help)\n", name.c_str(),
                 args.error.c_str(), name.c_str());
    return 2;
  }
  peer = ResolvePeer(args, 0);
  if (!args.positionals.empty()) {
    std::fprintf(stderr, "norvane %s: expected HOST PORT, got '%s' (see norvane %s --help)\n",
                 name.c_str(), args.positionals.front().c_str(), name.c_str());
    return 2;
  }
  return std::nullopt;
}

bool ApplyLogOptions(const ParsedArgs& args, int defaultLevel) {
  int level = defaultLevel;
  if (const auto text = args.Value("--log-level")) {
    const std::optional<long> n = ParseNumber(*text);
    if (!n) {
      std::fprintf(stderr, "norvane: --log-level needs a number, not '%s'\n", text->c_str());
      return false;
    }
    level = static_cast<int>(*n);
  }
  SetLOG(args.Value("--log").value_or(""), level);
  if (args.Has("-v")) {
    // Log lines carry what peers sent (titles, UIDs, values).
    SetLogForwarder([](std::string_view text) { PrintPeerText(stderr, text); });
  }
  return true;
}

bool ApplyTimeoutOptions(const ParsedArgs& args, std::string_view subcommand, Peer& peer) {
  const struct {
    const char* option;
    std::chrono::milliseconds* limit;
  } options[] = {{"--connect-timeout", &peer.timeouts.connect},
                 {"--acse-timeout", &peer.timeouts.acse},
                 {"--dimse-timeout", &peer.timeouts.dimse}};
  for (const auto& o : options) {
    const std::optional<std::string> text = args.Value(o.option);
    if (!text) continue;
    const std::optional<std::chrono::milliseconds> limit = ParseSeconds(*text);
    if (!limit) {
      std::fprintf(stderr, "norvane %.*s: %s needs a number of seconds, not '%s'\n",
                   static_cast<int>(subcommand.size()), subcommand.data(), o.option, text->c_str());
      return false;
    }
    *o.limit = *limit;
  }
  return true;
}

std::optional<std::chrono::milliseconds> ParseSeconds(const std::string& text) {
  const size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  if (whole.empty() || fraction.size() > 3 || (point != std::string::npos && fraction.empty())) {
    return std::nullopt;
  }
  const std::optional<long> seconds = ParseNumber(whole);
  const std::optional<long> thousandths =
      fraction.empty() ? std::optional<long>(0)
                       : ParseNumber(fraction + std::string(3 - fraction.size(), '0'));
  if (!seconds || !thousandths || *seconds > 1000000) return std::nullopt;
  return std::chrono::milliseconds(*seconds * 1000 + *thousandths);
}

void PrintPeerText(std::FILE* out, std::string_view text) {
  const std::string safe = TerminalText(text);
  std::fwrite(safe.data(), 1, safe.size(), out);
  std::fputc('\n', out);
}

std::optional<long> ParseNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace norvane::cli
