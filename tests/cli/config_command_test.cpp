// norvane config: the settings file the window edits, shown and changed from a terminal.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/setup/settings.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::RunNorvaneIn;
using testing::RunResult;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ConfigCommand, SetWritesTheSettingsFileThatShowAndTheWindowRead) {
  testing::TempDir dir;
  const std::string file = dir / "testscu.cfg";
  const RunResult first = RunNorvaneIn(dir.path(), {"config", "show"});
  EXPECT_EQ(first.exitCode, 0) << first.output;
  EXPECT_TRUE(Contains(first.output, "# " + file + " (not present: initial values)\n"))
      << first.output;
  EXPECT_TRUE(Contains(first.output, "host                   127.0.0.1\n")) << first.output;
  EXPECT_FALSE(std::filesystem::exists(file));

  for (const std::vector<std::string>& set : {std::vector<std::string>{"port", "11112"},
                                              {"log-level", "Socket Level"},
                                              {"film-size", "8inx10in"}}) {
    const RunResult r = RunNorvaneIn(dir.path(), {"config", "set", set[0], set[1]});
    EXPECT_EQ(r.exitCode, 0) << r.output;
  }
  EXPECT_EQ(testing::ReadFileBytes(file).size(), 440u);
  Settings saved;
  ASSERT_TRUE(saved.Load(file));
  EXPECT_EQ(saved.port(), "11112");
  EXPECT_EQ(saved.logLevel(), 3);
  EXPECT_EQ(saved.filmSize(), 3);
  EXPECT_EQ(saved.host(), "127.0.0.1");
  const RunResult shown = RunNorvaneIn(dir.path(), {"config", "show"});
  EXPECT_TRUE(Contains(shown.output, "# " + file + "\n")) << shown.output;
  EXPECT_TRUE(Contains(shown.output,
                       "port                   11112\n"
                       "remote-aet             remote\n"
                       "log-level              Socket Level\n"))
      << shown.output;
}

TEST(ConfigCommand, RefusesBadValuesAndReportsASaveThatFailed) {
  testing::TempDir dir;
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    const char* message;
  } cases[] = {
      {{"config", "set", "port", "x"}, 2, "port: 'x' is not a port number from 1 to 65535"},
      {{"config", "set", "modality", "CT"}, 2, "unknown key 'modality'"},
      {{"config", "set", "port"}, 2, "set takes a KEY and a VALUE"},
      {{"config"}, 2, "give show, or set KEY VALUE"},
      {{"config", "--help"}, 0, "magnification-type"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    const RunResult r = RunNorvaneIn(dir.path(), c.arguments);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    EXPECT_TRUE(Contains(r.output, c.message)) << r.output;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "testscu.cfg")) << "nothing written for bad values";
  std::filesystem::create_directory(dir / "testscu.cfg");
  const RunResult r = RunNorvaneIn(dir.path(), {"config", "set", "port", "11112"});
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_TRUE(Contains(
      r.output, "norvane config: the settings were not saved: cannot write " + dir / "testscu.cfg"))
      << r.output;
}

}  // namespace
}  // namespace norvane
