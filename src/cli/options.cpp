#include "cli/options.hpp"

#include <cstdio>
#include <cstring>

#include "app/setup/settings.hpp"
#include "app/setup/tls_settings_file.hpp"
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

// A word meant as a number: digits, perhaps with a sign.
bool LooksLikeANumber(const std::string& text) {
  const size_t digits = text.find_first_of("0123456789");
  return digits != std::string::npos && digits <= 1 &&
         text.find_first_not_of("+-0123456789") == std::string::npos;
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
  for (int i = 0; i < argc && std::string_view(argv[i]) != "--"; ++i) {
    if (std::string_view(argv[i]) == "--json") out.json = true;
  }
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
    if (arg == "--json") continue;
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
  specs.insert(specs.end(), std::begin(kTlsOptions), std::end(kTlsOptions));
  specs.insert(specs.end(), own.begin(), own.end());
  return specs;
}

std::optional<uint64_t> ParseObjectSize(const std::string& text) {
  size_t digits = 0;
  while (digits < text.size() && digits < 12 && text[digits] >= '0' && text[digits] <= '9') {
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  const uint64_t number = std::stoull(text.substr(0, digits));
  const std::string suffix = text.substr(digits);
  int shift = 0;
  if (suffix == "K" || suffix == "KiB")
    shift = 10;
  else if (suffix == "M" || suffix == "MiB")
    shift = 20;
  else if (suffix == "G" || suffix == "GiB")
    shift = 30;
  else if (!suffix.empty())
    return std::nullopt;
  // Compared before the shift, which could otherwise wrap round to a small size.
  if (number == 0 || number > (kDefaultMaxObjectSize >> shift)) return std::nullopt;
  return number << shift;
}

std::string ApplyMaxObjectSize(const ParsedArgs& args, uint64_t& size) {
  const std::optional<std::string> text = args.Value("--max-object-size");
  if (!text) return {};
  const std::optional<uint64_t> parsed = ParseObjectSize(*text);
  if (!parsed) {
    return "--max-object-size '" + *text +
           "' is not a size from 1 byte to 4G (a number, or one followed by K, M or G)";
  }
  size = *parsed;
  return {};
}

AssociationParameters Peer::Parameters() const {
  return AssociationParameters{host,     port,          callingAET, calledAET,
                               timeouts, maxObjectSize, tls,        accepted};
}

Peer ResolvePeer(ParsedArgs& args, size_t requiredAfter, std::string& problem) {
  Settings settings;
  const std::string settingsPath = "./" + std::string(kSettingsFileName);
  settings.Load(settingsPath);
  Peer peer{settings.host(),       settings.port(),
            settings.localAET(),   settings.remoteAET(),
            settings.logLevel(),   NetworkTimeouts{},
            kDefaultMaxObjectSize, LoadTlsSettings(TlsSettingsPathBeside(settingsPath))};
  std::vector<std::string>& pos = args.positionals;
  if (pos.size() >= 2 + requiredAfter && IsPortNumber(pos[1])) {
    peer.host = pos[0];
    peer.port = pos[1];
    pos.erase(pos.begin(), pos.begin() + 2);
  } else if (pos.size() >= 2 + requiredAfter && (requiredAfter == 0 || LooksLikeANumber(pos[1]))) {
    problem = "port '" + pos[1] + "' is not a number from 1 to 65535";
  }
  if (const auto aet = args.Value("--aet")) {
    peer.callingAET = *aet;
    if (problem.empty()) problem = AETitleProblem("--aet", *aet);
  }
  if (const auto aec = args.Value("--aec")) {
    peer.calledAET = *aec;
    if (problem.empty()) problem = AETitleProblem("--aec", *aec);
  }
  return peer;
}

std::string AETitleProblem(std::string_view option, std::string_view title) {
  const std::string quoted = std::string(option) + " '" + TerminalText(title) + "'";
  if (title.find_first_not_of(' ') == std::string_view::npos) {
    return std::string(option) + " needs an AE title of 1 to 16 characters";
  }
  if (title.size() > kMaxAETitleLength) {
    return quoted + " is longer than 16 characters, the most an AE title holds";
  }
  for (const char c : title) {
    if (c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return quoted + ": an AE title holds no backslash and no control character";
    }
  }
  return {};
}

std::string ApplyLogOptions(const ParsedArgs& args, int defaultLevel) {
  int level = defaultLevel;
  if (const auto text = args.Value("--log-level")) {
    const std::optional<long> n = ParseNumber(*text);
    if (!n) return "--log-level needs a number, not '" + *text + "'";
    level = static_cast<int>(*n);
  }
  SetLOG(args.Value("--log").value_or(""), level);
  if (args.Has("-v")) {
    // Log lines carry what peers sent (titles, UIDs, values).
    SetLogForwarder([](std::string_view text) { PrintPeerText(stderr, text); });
  }
  return {};
}

std::string ApplyTimeoutOptions(const ParsedArgs& args, Peer& peer) {
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
    if (!limit) return std::string(o.option) + " needs a number of seconds, not '" + *text + "'";
    *o.limit = *limit;
  }
  return {};
}

std::string ApplyTlsOptions(const ParsedArgs& args, TlsSettings& tls, std::string& warning) {
  if (args.Has("--tls")) tls.enabled = true;
  for (const OptionSpec& option : kTlsOptions) {
    const std::string name = option.name;
    if (args.Has(name) && !tls.enabled) return name + " needs --tls";
  }
  if (const auto profile = args.Value("--tls-profile")) {
    const std::optional<TlsProfile> named = TlsProfileNamed(*profile);
    if (!named) return "--tls-profile needs bcp195, bcp195-nd or bcp195-ex, not '" + *profile + "'";
    tls.profile = *named;
  }
  if (const auto ca = args.Value("--tls-ca")) tls.caFile = *ca;
  if (const auto certificate = args.Value("--tls-cert")) tls.certificateFile = *certificate;
  if (const auto key = args.Value("--tls-key")) tls.keyFile = *key;
  if (tls.certificateFile.empty() != tls.keyFile.empty()) {
    return "--tls-cert and --tls-key go together: a certificate needs its private key";
  }
  if (args.Has("--tls-no-verify")) {
    tls.verifyPeer = false;
    warning =
        "warning: --tls-no-verify: the peer's certificate is not verified, so any host can "
        "pose as the peer";
  }
  return {};
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
