#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "dimse/dimse_command.hpp"
#include "dimse/verification.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "message_fixture.hpp"
#include "scp/association_service.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

class DcmtkVerification : public ::testing::Test {
 protected:
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("echoscu");
    SetLOG(dir_ / "scp.log", 2);
  }
  void TearDown() override { SetLOG("", 0); }
  testing::TempDir dir_;
};

// The acceptor side as the storage SCP runs it: the registered services answer every
// C-ECHO-RQ until the association ends.
TEST_F(DcmtkVerification, EchoscuIsAnsweredByTheVerificationService) {
  Socket listener;
  ASSERT_TRUE(listener.ListenOnPort(0, true));
  const uint16_t port = listener.LocalPort();

  int waits = 0;
  bool served = false;
  std::thread acceptor([&] {
    if (!listener.Accept()) return;
    StoreSCPSettings settings;
    settings.trace = true;
    ServeAssociation(listener.ReleaseConnection(), settings, ScpServices(settings),
                     [&](bool awaitingPeer) { waits += awaitingPeer; });
    served = true;
  });

  const testing::RunResult echo =
      testing::RunProgram({"echoscu", "-v", "--repeat", "3", "-aet", "ECHOSCU", "-aec",
                           "NORVANESCP", "127.0.0.1", std::to_string(port)},
                          std::chrono::seconds(60));
  listener.StopListening();
  acceptor.join();

  EXPECT_TRUE(served) << echo.output;
  EXPECT_EQ(echo.exitCode, 0) << echo.output;
  EXPECT_EQ(Count(echo.output, "Received Echo Response (Success)"), 3u) << echo.output;
  EXPECT_EQ(Count(echo.output, "Releasing Association"), 1u) << echo.output;
  EXPECT_GE(waits, 4) << "it waited for each request and for the release";

  const std::vector<std::string> log = testing::LogTexts(dir_ / "scp.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), "ECHOSCU << NORVANESCP"), 3)
      << ::testing::PrintToString(log);
  EXPECT_EQ(std::count(log.begin(), log.end(), "ECHOSCU >> NORVANESCP"), 3)
      << ::testing::PrintToString(log);
}

// The whole verification against storescp, as the library's one-call function runs it.
TEST_F(DcmtkVerification, EchoSCUSucceedsAgainstStorescp) {
  NORVANE_REQUIRE_PROGRAMS("storescp");
  const uint16_t port = testing::FreePort();
  testing::PeerProcess storescp;
  ASSERT_TRUE(storescp.Start(
      {"storescp", "-v", "-aet", "STORESCP", "-od", dir_.path().string(), std::to_string(port)},
      dir_ / "storescp.log"));
  ASSERT_TRUE(testing::WaitForEcho(port, "STORESCP")) << storescp.Log();
  EXPECT_TRUE(EchoSCU(testing::LoopbackPeer(std::to_string(port), "STORESCP"))) << storescp.Log();
}

}  // namespace
}  // namespace norvane
