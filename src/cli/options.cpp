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

Peer ResolvePeer(ParsedArgs& args, size_t requiredAfter) {
  Settings settings;
  settings.Load("./" + std::string(kSettingsFileName));
  Peer peer{settings.host(), settings.port(), settings.localAET(), settings.remoteAET(),
            settings.logLevel()};
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
