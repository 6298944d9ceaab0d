// norvane config show | set KEY VALUE: the settings of the test application's window.

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/setup/settings.hpp"
#include "app/setup/settings_keys.hpp"
#include "app/setup/tls_settings_file.hpp"
#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/options.hpp"
#include "platform/folders.hpp"

namespace norvane::cli {
namespace {

void PrintHelp() {
  std::printf(
      "usage: norvane config show\n"
      "       norvane config set KEY VALUE\n\n"
      "Shows or changes the settings that the window's Setup dialog edits, kept in\n"
      "testscu.cfg in the current folder; the network subcommands take their defaults\n"
      "from the same file. Without the file, show prints the initial values and set starts\n"
      "from them. set writes the whole file anew (through a temporary file, so a failed\n"
      "write leaves the old one as it was). The TLS keys live in testscu-tls.cfg beside\n"
      "it, one key=value line each.\n\n"
      "keys:\n");
  for (const auto& keys : {SettingsKeys(), TlsSettingsKeys()}) {
    for (const SettingsKey& key : keys) {
      std::printf("  %-22s %.*s\n", std::string(key.name).c_str(),
                  static_cast<int>(key.help.size()), key.help.data());
    }
  }
  std::printf(
      "\nList values are matched without regard to case.\n\noptions:\n"
      "%s"
      "\nexit status: 0 done, 1 the settings file could not be written, 2 bad command line\n"
      "or value\n",
      kJsonHelp);
}

}  // namespace

std::vector<OptionSpec> ConfigOptions() {
  return {};
}

int RunConfig(int argc, char** argv) {
  Invocation run("config", argc, argv, ConfigOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  const std::vector<std::string>& words = run.Args().positionals;
  const std::string path = CurrentDirectory() + std::string(kSettingsFileName);
  Settings settings;
  const bool loaded = settings.Load(path);
  run.Report()["file"] = path;
  run.Report()["present"] = loaded;

  const std::string tlsPath = TlsSettingsPathBeside(path);
  TlsSettings tls = LoadTlsSettings(tlsPath);

  if (words.size() == 1 && words[0] == "show") {
    run.Out("# " + path + (loaded ? "" : " (not present: initial values)"));
    Json values = Json::object();
    const auto show = [&](std::string_view key, const std::string& value) {
      std::string name(key);
      name.resize(std::max<size_t>(name.size(), 22), ' ');
      run.Out(name + " " + value);
      values[std::string(key)] = value;
    };
    for (const SettingsKey& key : SettingsKeys())
      show(key.name, SettingsValueText(settings, key.name));
    run.Out("# " + tlsPath);
    for (const SettingsKey& key : TlsSettingsKeys())
      show(key.name, TlsSettingsValueText(tls, key.name));
    run.Report()["settings"] = std::move(values);
    return run.Finish(0);
  }
  const auto& tlsKeys = TlsSettingsKeys();
  if (words.size() == 3 && words[0] == "set" &&
      std::any_of(tlsKeys.begin(), tlsKeys.end(),
                  [&](const SettingsKey& key) { return key.name == words[1]; })) {
    const std::string problem = SetTlsSettingsValue(tls, words[1], words[2]);
    if (!problem.empty()) return run.Usage(words[1] + ": " + problem);
    run.Report()["key"] = words[1];
    run.Report()["value"] = TlsSettingsValueText(tls, words[1]);
    const SettingsSaveResult saved = SaveTlsSettings(tlsPath, tls);
    if (!saved) {
      const std::string reason = "the TLS settings were not saved: " + saved.reason;
      std::fprintf(stderr, "norvane config: %s\n", reason.c_str());
      return run.Finish(1, reason);
    }
    return run.Finish(0);
  }
  if (words.size() == 3 && words[0] == "set") {
    const std::string problem = SetSettingsValue(settings, words[1], words[2]);
    if (!problem.empty()) return run.Usage(words[1] + ": " + problem);
    run.Report()["key"] = words[1];
    run.Report()["value"] = SettingsValueText(settings, words[1]);
    const SettingsSaveResult saved = settings.Save(path);
    if (!saved) {
      const std::string reason = "the settings were not saved: " + saved.reason;
      std::fprintf(stderr, "norvane config: %s\n", reason.c_str());
      return run.Finish(1, reason);
    }
    return run.Finish(0);
  }
  if (!words.empty() && words[0] == "set") return run.Usage("set takes a KEY and a VALUE");
  return run.Usage("give show, or set KEY VALUE");
}

}  // namespace norvane::cli
