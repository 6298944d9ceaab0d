// norvane config show | set KEY VALUE: the settings of the test application's window.

#include <cstdio>
#include <string>

#include "app/setup/settings.hpp"
#include "app/setup/settings_keys.hpp"
#include "cli/commands.hpp"
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
      "write leaves the old one as it was).\n\n"
      "keys:\n");
  for (const SettingsKey& key : SettingsKeys()) {
    std::printf("  %-22s %.*s\n", std::string(key.name).c_str(), static_cast<int>(key.help.size()),
                key.help.data());
  }
  std::printf(
      "\nList values are matched without regard to case.\n\n"
      "exit status: 0 done, 1 the settings file could not be written, 2 bad command line\n"
      "or value\n");
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "norvane config: %s (see norvane config --help)\n", problem.c_str());
  return 2;
}

}  // namespace

int RunConfig(int argc, char** argv) {
  const ParsedArgs args = ParseArgs(argc, argv, {});
  if (args.help) {
    PrintHelp();
    return 0;
  }
  if (!args.error.empty()) return Usage(args.error);
  const std::vector<std::string>& words = args.positionals;
  const std::string path = CurrentDirectory() + std::string(kSettingsFileName);
  Settings settings;
  const bool loaded = settings.Load(path);

  if (words.size() == 1 && words[0] == "show") {
    std::printf("# %s%s\n", path.c_str(), loaded ? "" : " (not present: initial values)");
    for (const SettingsKey& key : SettingsKeys()) {
      std::printf("%-22s %s\n", std::string(key.name).c_str(),
                  SettingsValueText(settings, key.name).c_str());
    }
    return 0;
  }
  if (words.size() == 3 && words[0] == "set") {
    const std::string problem = SetSettingsValue(settings, words[1], words[2]);
    if (!problem.empty()) return Usage(words[1] + ": " + problem);
    const SettingsSaveResult saved = settings.Save(path);
    if (!saved) {
      std::fprintf(stderr, "norvane config: the settings were not saved: %s\n",
                   saved.reason.c_str());
      return 1;
    }
    return 0;
  }
  if (!words.empty() && words[0] == "set") return Usage("set takes a KEY and a VALUE");
  return Usage("give show, or set KEY VALUE");
}

}  // namespace norvane::cli
