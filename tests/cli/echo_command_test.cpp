#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/message_fixture.hpp"
#include "net/uids.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::RunProgram;
using testing::RunResult;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

RunResult Norvane(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), testing::NorvaneTool());
  return RunProgram(arguments, std::chrono::seconds(60));
}

TEST(EchoCommand, HelpNamesThePeerTitlesLogOptionsAndExitStatus) {
  const RunResult help = Norvane({"echo", "--help"});
  EXPECT_EQ(help.exitCode, 0) << help.output;
  for (const char* part : {"usage: norvane echo [HOST PORT]", "--aet", "--aec", "--log FILE",
                           "--log-level", "ECHO OK", "exit status: 0"}) {
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
}

TEST(EchoCommand, ClosedPortPrintsAndLogsTheFailureLine) {
  testing::TempDir dir;
  const std::string port = std::to_string(testing::FreePort());
  const RunResult echo =
      Norvane({"echo", "127.0.0.1", port, "--aec", "ARCHIVE", "--log", dir / "echo.log"});
  EXPECT_EQ(echo.exitCode, 1);
  const std::string line = "ECHO failed to connect to: ARCHIVE (127.0.0.1:" + port + ")";
  EXPECT_EQ(echo.output,
            "norvane echo: no connection: refused, unreachable, or unknown host\n" + line + "\n")
      << "the reason on standard error, the failure line on standard output";
  EXPECT_EQ(testing::LogTexts(dir / "echo.log"),
            (std::vector<std::string>{"Starting ECHO Service", line}));
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
            "norvane echo: C-ECHO-RSP status 0x0110\nECHO failed to connect to: PEER "
            "(127.0.0.1:" +
                peer.Port() + ")\n");
  EXPECT_EQ(release, (Bytes{0x05, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00}))
      << testing::Hex(release);
}

}  // namespace
}  // namespace norvane
