#include "platform/folders.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/peers.hpp"

namespace norvane {
namespace {

TEST(Folders, ForceDirectoriesCreatesEveryMissingLevel) {
  testing::TempDir dir;
  const std::string deep = dir / "a/b/c/";
  EXPECT_FALSE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_TRUE(ForceDirectories(deep));  // existing counts as done
}

TEST(Folders, ShortPathCountsAsDone) {
  EXPECT_TRUE(ForceDirectories("ab"));
  EXPECT_FALSE(DirectoryExists("ab"));
}

TEST(Folders, FileIsNotADirectoryAndBlocksCreation) {
  testing::TempDir dir;
  const std::string file = dir / "plain";
  std::ofstream(file) << "x";
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(ForceDirectories(file + "/below"));
}

TEST(Folders, TrailingSeparatorIsAddedOnce) {
  EXPECT_EQ(WithTrailingSeparator("Database"), "Database/");
  EXPECT_EQ(WithTrailingSeparator("Database/"), "Database/");
}

}  // namespace
}  // namespace norvane
