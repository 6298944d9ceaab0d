#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/message_fixture.hpp"
#include "net/uids.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using testing::Norvane;

using testing::Bytes;
using testing::RunProgram;
using testing::RunResult;

TEST(EchoCommand, HelpNamesThePeerTitlesLogOptionsAndExitStatus) {
  const RunResult help = Norvane({"echo", "--help"});
  EXPECT_EQ(help.exitCode, 0) << help.output;
  for (const char* part : {"usage: norvane echo [HOST PORT]", "--aet", "--aec", "--log FILE",
                           "--log-level", "ECHO OK", "exit status: 0", "--connect-timeout",
                           "--acse-timeout", "--dimse-timeout", "0 sets no limit"}) {
    EXPECT_TRUE(Contains(help.output, part)) << part << " missing from:\n" << help.output;
  }
  const RunResult overview = Norvane({"--help"});
  EXPECT_TRUE(Contains(overview.output, "echo")) << overview.output;
}

TEST(EchoCommand, BadCommandLinesExitWith2) {
  const RunResult bogus = Norvane({"echo", "--bogus"});
  EXPECT_EQ(bogus.exitCode, 2);
  EXPECT_TRUE(Contains(bogus.output, "unknown option '--bogus'")) << bogus.output;
  const RunResult stray = Norvane({"echo", "onlyahost"});
  EXPECT_EQ(stray.exitCode, 2);
  EXPECT_TRUE(Contains(stray.output, "expected HOST PORT")) << stray.output;
  const RunResult level = Norvane({"echo", "127.0.0.1", "104", "--log-level", "high"});
  EXPECT_EQ(level.exitCode, 2) << level.output;
  for (const char* value : {"soon", "-1", "1.", "0.0001", "2s"}) {
    const RunResult timeout = Norvane({"echo", "127.0.0.1", "104", "--dimse-timeout", value});
    EXPECT_EQ(timeout.exitCode, 2) << value << ": " << timeout.output;
    EXPECT_TRUE(Contains(timeout.output, "--dimse-timeout needs a number of seconds")) << value;
  }
}

TEST(EchoCommand, ClosedPortPrintsAndLogsTheFailureLine) {
  testing::TempDir dir;
  const std::string port = std::to_string(testing::FreePort());
  const RunResult echo =
      Norvane({"echo", "127.0.0.1", port, "--aec", "ARCHIVE", "--log", dir / "echo.log"});
  EXPECT_EQ(echo.exitCode, 1);
  const std::string line = "ECHO failed to connect to: ARCHIVE (127.0.0.1:" + port + ")";
  const std::string reason = "connection refused by 127.0.0.1:" + port + " (nothing listens there)";
  EXPECT_EQ(echo.output, "norvane echo: " + reason + "\n" + line + "\n")
      << "the reason on standard error, the failure line on standard output";
  EXPECT_EQ(testing::LogTexts(dir / "echo.log"),
            (std::vector<std::string>{"Starting ECHO Service", reason, line}));
}

TEST(EchoCommand, FailureStatusFromThePeerIsAFailedEchoAfterARelease) {
  Bytes release;
  testing::ScriptedAcceptor peer([&](int fd) {
    testing::ReadPdu(fd);
    testing::SendAll(fd, testing::AcceptingAnswer(uid::kImplicitVRLittleEndian));
    testing::ReadPdu(fd);
    testing::SendAll(
        fd, testing::PDataPdu({testing::Pdv(1, 0x03, testing::EchoResponseCommand(3, 0x0110))}));
    release = testing::ReadExactly(fd, 10);
    testing::SendAll(fd, {0x06, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00});
  });
  const RunResult echo =
      Norvane({"echo", "127.0.0.1", peer.Port(), "--aet", "NORVANE", "--aec", "PEER"});
  peer.Join();
  EXPECT_EQ(echo.exitCode, 1) << echo.output;
  EXPECT_EQ(echo.output,
            "norvane echo: C-ECHO-RSP status 0x0110 (Failure: Processing failure)\nECHO failed to "
            "connect to: PEER "
            "(127.0.0.1:" +
                peer.Port() + ")\n");
  EXPECT_EQ(release, (Bytes{0x05, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00}))
      << testing::Hex(release);
}

TEST(EchoCommand, SilentAcceptorEndsInTheAcseTimeOutWithTheReason) {
  testing::ScriptedAcceptor peer([](int fd) {
    testing::ReadPdu(fd);
    testing::DrainFd(fd, std::chrono::milliseconds(5000));
  });
  const auto start = std::chrono::steady_clock::now();
  const RunResult echo = testing::RunNorvaneStandardError(
      {"echo", "127.0.0.1", peer.Port(), "--aec", "PEER", "--acse-timeout", "2"});
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(echo.exitCode, 1);
  EXPECT_EQ(echo.output,
            "norvane echo: no answer to the A-ASSOCIATE-RQ within 2 s (ACSE time-out)\n");
  EXPECT_GE(waited, std::chrono::milliseconds(2000));
  EXPECT_LT(waited, std::chrono::milliseconds(4000)) << "not the default 30 s";
}

}  // namespace
}  // namespace norvane
