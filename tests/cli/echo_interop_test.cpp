#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "net/message_fixture.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Norvane;

using testing::RunProgram;
using testing::RunResult;

class EchoAgainstDcmtk : public ::testing::Test {
 protected:
  void SetUp() override { NORVANE_REQUIRE_PROGRAMS("storescp", "echoscu"); }
  // Starts storescp with extra options on a free port; its log collects in the folder.
  uint16_t StartStorescp(const std::vector<std::string>& options) {
    const uint16_t port = testing::FreePort();
    std::vector<std::string> argv = {"storescp", "-v",  "-aet",
                                     "STORESCP", "-od", dir_.path().string()};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(std::to_string(port));
    EXPECT_TRUE(peer_.Start(argv, dir_ / "storescp.log"));
    return port;
  }
  testing::TempDir dir_;
  testing::PeerProcess peer_;
};

TEST_F(EchoAgainstDcmtk, StorescpAnswersAndTheLogShowsTheTrace) {
  const uint16_t port = StartStorescp({});
  ASSERT_TRUE(testing::WaitForEcho(port, "STORESCP")) << peer_.Log();
  const RunResult echo =
      Norvane({"echo", "127.0.0.1", std::to_string(port), "--aet", "NORVANE", "--aec", "STORESCP",
               "--log", dir_ / "echo.log", "--log-level", "2"});
  EXPECT_EQ(echo.exitCode, 0) << echo.output << peer_.Log();
  EXPECT_EQ(echo.output, "ECHO OK\n");

  const std::vector<std::string> log = testing::LogTexts(dir_ / "echo.log");
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.front(), "Starting ECHO Service");
  EXPECT_EQ(log.back(), "ECHO OK");
  EXPECT_NE(std::find(log.begin(), log.end(), "NORVANE >> STORESCP"), log.end())
      << ::testing::PrintToString(log);
  EXPECT_NE(std::find(log.begin(), log.end(), "NORVANE << STORESCP"), log.end())
      << ::testing::PrintToString(log);

  // storescp saw our request with message ID 3 and a clean release.
  std::string seen;
  for (int i = 0; i < 50 && !Contains(seen, "Received Echo Request (MsgID 3)"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    seen = peer_.Log();
  }
  EXPECT_TRUE(Contains(seen, "Received Echo Request (MsgID 3)")) << seen;
}

TEST_F(EchoAgainstDcmtk, StorescpRefusingTheAssociationGivesTheFailureLine) {
  const uint16_t port = StartStorescp({"--refuse"});
  ASSERT_TRUE(testing::WaitForListener(port)) << peer_.Log();
  const std::string portText = std::to_string(port);
  const RunResult echo =
      Norvane({"echo", "127.0.0.1", portText, "--aec", "STORESCP", "--log", dir_ / "echo.log"});
  EXPECT_EQ(echo.exitCode, 1) << echo.output;
  const std::string line = "ECHO failed to connect to: STORESCP (127.0.0.1:" + portText + ")";
  const std::string reason =
      "association rejected (permanent) by the service user: no reason given";
  EXPECT_EQ(echo.output, "norvane echo: " + reason + "\n" + line + "\n");
  EXPECT_EQ(
      testing::LogTexts(dir_ / "echo.log"),
      (std::vector<std::string>{"Starting ECHO Service", "Association Rejected...", reason, line}));
}

TEST_F(EchoAgainstDcmtk, WorklistScpRejectsAnUnknownCalledTitle) {
  NORVANE_REQUIRE_PROGRAMS("wlmscpfs");
  std::filesystem::create_directories(dir_.path() / "db" / "WLMSCP");
  {
    std::FILE* lock = std::fopen((dir_ / "db/WLMSCP/lockfile").c_str(), "w");
    ASSERT_NE(lock, nullptr);
    std::fclose(lock);
  }
  const uint16_t port = testing::FreePort();
  const std::string portText = std::to_string(port);
  ASSERT_TRUE(
      peer_.Start({"wlmscpfs", "-v", "-dfp", dir_ / "db", portText}, dir_ / "wlmscpfs.log"));
  ASSERT_TRUE(testing::WaitForEcho(port, "WLMSCP")) << peer_.Log();

  const RunResult known = Norvane({"echo", "127.0.0.1", portText, "--aec", "WLMSCP"});
  EXPECT_EQ(known.exitCode, 0) << known.output;
  EXPECT_EQ(known.output, "ECHO OK\n");
  const RunResult unknown = Norvane({"echo", "127.0.0.1", portText, "--aec", "NOSUCHAE"});
  EXPECT_EQ(unknown.exitCode, 1) << unknown.output;
  EXPECT_EQ(unknown.output,
            "norvane echo: association rejected (permanent) by the service user: called AE "
            "title not recognized\nECHO failed to connect to: NOSUCHAE (127.0.0.1:" +
                portText + ")\n");
}

TEST_F(EchoAgainstDcmtk, QueryRetrieveScpRejectsAWrongCalledTitleAndStandardErrorSaysSo) {
  NORVANE_REQUIRE_PROGRAMS("dcmqrscp");
  testing::QueryRetrieveSCP archive;
  ASSERT_TRUE(archive.Start(dir_.path().string(), {})) << archive.Log();
  const RunResult known = Norvane({"echo", "127.0.0.1", archive.Port(), "--aec", "QRSCP"});
  EXPECT_EQ(known.exitCode, 0) << known.output << archive.Log();
  const RunResult wrong =
      testing::RunNorvaneStandardError({"echo", "127.0.0.1", archive.Port(), "--aec", "WRONGAE"});
  EXPECT_EQ(wrong.exitCode, 1) << wrong.output;
  EXPECT_EQ(wrong.output,
            "norvane echo: association rejected (permanent) by the service user: called AE "
            "title not recognized\n")
      << "standard error alone";
}

}  // namespace
}  // namespace norvane
