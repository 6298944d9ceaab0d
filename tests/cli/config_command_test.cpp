// norvane config: the settings file the window edits, shown and changed from a terminal.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/setup/settings.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::RunNorvaneIn;

TEST(ConfigCommand, ShowsAndSetsTheSettingsFileAndRefusesWhatItCannotTake) {
  testing::TempDir dir;
  const std::string file = dir / "testscu.cfg";
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    std::string output;  // a part of standard output and error
  } cases[] = {
      {{"show"}, 0, "# " + file + " (not present: initial values)\nlocal-aet              local\n"},
      {{"set", "port", "x"}, 2, "port: 'x' is not a port number from 1 to 65535"},
      {{"set", "modality", "CT"}, 2, "unknown key 'modality'"},
      {{"set", "port"}, 2, "set takes a KEY and a VALUE"},
      {{"set", "remote-aet", "SEVENTEEN_LETTERS"}, 2, "is longer than 16 characters"},
      {{"set", "film-size", "A4"},
       2,
       "'A4' is none of '14INX17IN', '14INX14IN', '10INX12IN', "
       "'8INX10IN', 'none'"},
      {{"set", "planar-configuration", "yes"}, 2, "'yes' is neither 0 nor 1"},
      {{"set", "port", "11112"}, 0, ""},
      {{"set", "log-level", "socket level"}, 0, ""},
      {{"set", "film-destination", "none"}, 0, ""},
      {{"set", "magnification-type", "NONE"}, 0, ""},
      {{"show"},
       0,
       "port                   11112\nremote-aet             remote\n"
       "log-level              Socket Level\nfilm-destination       none\n"},
      {{"--help"}, 0, "magnification-type"},
      {{"set", "tls", "yes"}, 2, "tls: 'yes' is neither on nor off"},
      {{"set", "tls-profile", "tls13"}, 2, "is none of bcp195, bcp195-nd, bcp195-ex"},
      {{"set", "tls", "on"}, 0, ""},
      {{"set", "tls-ca", "/etc/ca.pem"}, 0, ""},
      {{"show"},
       0,
       "testscu-tls.cfg\ntls                    on\ntls-profile            bcp195-nd\n"
       "tls-ca                 /etc/ca.pem\n"},
      {{"--help"}, 0, "tls-verify"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    std::vector<std::string> arguments = {"config"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const testing::RunResult r = RunNorvaneIn(dir.path(), arguments);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    EXPECT_NE(r.output.find(c.output), std::string::npos) << r.output;
  }
  EXPECT_EQ(testing::ReadFileBytes(file).size(), 440u);
  Settings saved;
  ASSERT_TRUE(saved.Load(file));
  EXPECT_EQ(saved.port(), "11112");
  EXPECT_EQ(saved.logLevel(), 3);
  EXPECT_EQ(saved.filmDestination(), -1);
  EXPECT_EQ(saved.magnificationType(), 3);
  EXPECT_EQ(testing::ReadFileText(dir / "testscu-tls.cfg"),
            "tls=on\ntls-profile=bcp195-nd\ntls-ca=/etc/ca.pem\ntls-cert=\ntls-key=\n"
            "tls-verify=on\n");

  std::filesystem::remove(file);
  std::filesystem::create_directory(file);  // cannot be replaced by a file
  const testing::RunResult r = RunNorvaneIn(dir.path(), {"config", "set", "port", "104"});
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_NE(r.output.find("norvane config: the settings were not saved: cannot write " + file),
            std::string::npos)
      << r.output;
}

}  // namespace
}  // namespace norvane
