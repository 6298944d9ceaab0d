#include <unistd.h>

#include <gtest/gtest.h>

#include "support/cli_runs.hpp"
#include "support/peers.hpp"

// An interoperability test whose peer program is missing is skipped on a developer's
// machine and fails under CI, so that a broken install cannot pass there unseen.

namespace norvane {
namespace {

TEST(PeerRequirement, MissingPeerFailsUnderCiAndIsSkippedElsewhere) {
  testing::TempDir emptyPath;
  char self[4096] = {};
  ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
  const std::string path = "PATH=" + emptyPath.path().string();
  const std::string filter = "--gtest_filter=StoreSCPInterop.*";
  const testing::RunResult ci = testing::RunProgram({"env", "CI=true", path, self, filter});
  EXPECT_NE(ci.exitCode, 0) << ci.output;
  EXPECT_TRUE(testing::Contains(ci.output, "storescu is not on PATH")) << ci.output;
  const testing::RunResult local = testing::RunProgram({"env", "-u", "CI", path, self, filter});
  EXPECT_EQ(local.exitCode, 0) << local.output;
  EXPECT_TRUE(testing::Contains(local.output, "storescu is not installed")) << local.output;
}

}  // namespace
}  // namespace norvane
