// A storage SCP process may be killed at any moment: what it leaves must never be an index
// line for a missing file, the leftovers must go at the next start, and the objects sent
// again must end up with exactly one line each.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "database/index_file.hpp"
#include "database/index_record.hpp"
#include "dimse/dimse_command.hpp"
#include "elements/tag_list.hpp"
#include "scp/staging_file.hpp"
#include "scp/store_thread.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.1";
constexpr std::string_view kSeries = "1.2.826.0.1.3680043.2.1125.1.2";
constexpr std::string_view kImplicitLE = "1.2.840.10008.1.2";
constexpr int kObjects = 12;

std::string Instance(int i) {
  return std::string(kSeries) + "." + std::to_string(i + 1);
}

// Large enough that a kill often lands while a file is written.
TagList LargeObject(int i) {
  TagList object = testing::CompleteObject(kStudy, kSeries, Instance(i));
  object.push_back(GenerateTag(0x7FE0, 0x0010, "OW", std::vector<uint8_t>(1 << 20, 0x5A)));
  return object;
}

std::vector<std::string> IndexLines(const std::string& path) {
  return ReadIndexLines(path).value_or(std::vector<std::string>{});
}

std::set<std::string> StagingFiles(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".incoming-")) names.insert(name);
  }
  return names;
}

TEST(StoreCrash, KillAtAnyMomentLeavesNoDanglingLineAndResendingGivesOneLineEach) {
  for (const int delayMs : {2, 5, 11, 23, 47, 95}) {
    SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
    testing::TempDir dir;
    const std::string folder = dir / "Database";
    const std::string seriesFolder =
        folder + "/" + std::string(kStudy) + "/" + std::string(kSeries) + "/";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0; i < kObjects; ++i)
        StoreThread(folder, LargeObject(i), std::string(kImplicitLE)).Run();
      ::_exit(0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);

    // Every line a reader finds names a file that is there.
    const std::vector<std::string> imageLines = IndexLines(seriesFolder + "Image.dir");
    for (const std::string& line : imageLines) {
      const std::string file = seriesFolder + GetField(line, ',', kImageFileField) + ".dcm";
      EXPECT_TRUE(fs::exists(file)) << line;
    }
    for (const std::string& line : IndexLines(folder + "/KPStudy.dir"))
      EXPECT_TRUE(fs::is_directory(folder + "/" + GetField(line, ',', 1))) << line;

    // The next start removes what the killed process was writing.
    RemoveStagingLeftovers(folder);
    if (fs::exists(folder)) {
      EXPECT_EQ(StagingFiles(folder), std::set<std::string>{});
    }

    for (int i = 0; i < kObjects; ++i) {
      const StoreWorkOutcome outcome =
          StoreThread(folder, LargeObject(i), std::string(kImplicitLE)).Run();
      ASSERT_EQ(outcome.status, kStatusSuccess) << outcome.problem;
    }
    EXPECT_EQ(IndexLines(folder + "/KPStudy.dir").size(), 1u);
    EXPECT_EQ(IndexLines(folder + "/" + std::string(kStudy) + "/Series.dir").size(), 1u);
    std::multiset<std::string> instances;
    for (const std::string& line : IndexLines(seriesFolder + "Image.dir"))
      instances.insert(GetField(line, ',', kImageFileField));
    std::multiset<std::string> expected;
    for (int i = 0; i < kObjects; ++i)
      expected.insert(Instance(i));
    EXPECT_EQ(instances, expected);
  }
}

TEST(StagingLeftovers, OnlyFilesOfProcessesThatNoLongerRunAreRemoved) {
  testing::TempDir dir;
  const std::string folder = dir.path();
  // A process that has ended: its id is free until reused.
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  const std::string endedName = ".incoming-" + std::to_string(ended) + "-3.dcm";
  const std::string endedTemporary = endedName + ".tmp-" + std::to_string(ended) + "-9";
  const std::string running = ".incoming-" + std::to_string(::getppid()) + "-1.dcm";
  const std::string own = ".incoming-" + std::to_string(::getpid()) + "-2.dcm";
  const std::string others[] = {"incoming-1-1.dcm", ".incoming-x-1.dcm", ".incoming-12.dcm",
                                "1.2.3.dcm"};
  for (const std::string& name : {endedName, endedTemporary, running, own})
    std::ofstream(dir / name) << "partial";
  for (const std::string& name : others)
    std::ofstream(dir / name) << "not ours";

  EXPECT_EQ(RemoveStagingLeftovers(folder), 2);
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder))
    left.insert(entry.path().filename().string());
  EXPECT_EQ(left,
            (std::set<std::string>{running, own, others[0], others[1], others[2], others[3]}));
  EXPECT_EQ(RemoveStagingLeftovers(dir / "missing"), 0);
}

}  // namespace
}  // namespace norvane
