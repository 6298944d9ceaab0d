#include "database/index_file.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::ReadFileText;
using testing::TempDir;

TEST(IndexFile, AppendCreatesTheFileAndKeepsEarlierLines) {
  TempDir dir;
  const std::string path = dir / "Image.dir";
  ASSERT_TRUE(AppendIndexLine(path, "a,b\r\n"));
  ASSERT_TRUE(AppendIndexLine(path, "c,d\r\n"));
  EXPECT_EQ(ReadFileText(path), "a,b\r\nc,d\r\n");
}

TEST(IndexFile, AppendFailsWhereNoFileCanBeOpened) {
  TempDir dir;
  std::filesystem::create_directory(dir / "Image.dir");
  EXPECT_FALSE(AppendIndexLine(dir / "Image.dir", "a\r\n"));
  EXPECT_FALSE(AppendIndexLine(dir / "missing/Image.dir", "a\r\n"));
}

TEST(IndexFile, AppendReportsAFullDevice) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EXPECT_FALSE(AppendIndexLine("/dev/full", "a,b\r\n"));
}

TEST(IndexFile, APartlyWrittenRecordIsCutOffAgain) {
  TempDir dir;
  const std::string path = dir / "Series.dir";
  std::ofstream(path, std::ios::binary) << "abc\r\n";
  // A file size limit of 8 bytes lets 3 bytes of the record through, then refuses.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 8;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool appended = AppendIndexLine(path, "0123456789\r\n");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(appended);
  EXPECT_EQ(ReadFileText(path), "abc\r\n");
}

TEST(IndexFile, ALineCutShortByACrashIsDroppedBeforeTheNextRecord) {
  TempDir dir;
  const std::string path = dir / "Image.dir";
  const struct {
    std::string before, after;
  } cases[] = {
      {"a,b\r\nc,", "a,b\r\nx,y\r\n"},
      {"a,b\r\nc,d\r", "a,b\r\nx,y\r\n"},
      {"no line end at all", "x,y\r\n"},
      // A broken tail longer than one block of the backward search.
      {"a\r\n" + std::string(10000, 'z'), "a\r\nx,y\r\n"},
      {"a,b\r\n", "a,b\r\nx,y\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before.substr(0, 20));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.before;
    ASSERT_TRUE(AppendIndexLine(path, "x,y\r\n"));
    EXPECT_EQ(ReadFileText(path), c.after);
  }
}

TEST(IndexFile, ReadGivesOneEntryPerLineWhateverTheLineEnd) {
  TempDir dir;
  const std::string path = dir / "Image.dir";
  std::ofstream(path, std::ios::binary) << "a,b\r\n\r\nc\nlast";
  const auto lines = ReadIndexLines(path);
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(*lines, (std::vector<std::string>{"a,b", "", "c", "last"}));
}

TEST(IndexFile, ReadOfAMissingFileOrAFolderGivesNothing) {
  TempDir dir;
  EXPECT_FALSE(ReadIndexLines(dir / "Image.dir").has_value());
  EXPECT_FALSE(ReadIndexLines(dir.path().string()).has_value());
  std::ofstream(dir / "empty", std::ios::binary);
  const auto lines = ReadIndexLines(dir / "empty");
  ASSERT_TRUE(lines.has_value());
  EXPECT_TRUE(lines->empty());
}

}  // namespace
}  // namespace norvane
