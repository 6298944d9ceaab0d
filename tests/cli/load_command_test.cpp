// norvane load: many associations against norvane scp, every object filed once; and the
// figures it reports from the operations it timed.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "cli/load_statistics.hpp"
#include "support/cli_runs.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
namespace fs = std::filesystem;

size_t LinesOf(const fs::path& file) {
  std::ifstream in(file);
  size_t lines = 0;
  for (std::string line; std::getline(in, line);)
    ++lines;
  return lines;
}

TEST(LoadCommand, SixtyFourAssociationsWithNewUIDsFileEveryObjectOnce) {
  testing::TempDir dir;
  const std::string db = dir / "db";
  testing::PeerProcess scp;
  ASSERT_TRUE(scp.Start({testing::NorvaneTool(), "scp", "--port", "0", "--loopback", "-q",
                         "--max-associations", "64", "--folder", db},
                        dir / "scp.log"));
  const std::string started = testing::WaitForOutput(scp, "storing in");
  std::smatch port;
  ASSERT_TRUE(std::regex_search(started, port, std::regex("listening on port ([0-9]+)")))
      << started;

  const testing::RunResult load =
      testing::Norvane({"load", "127.0.0.1", port[1].str(), testing::PydicomFile("CT_small.dcm"),
                        "--associations", "64", "--count", "3200", "--new-uids", "-q"});
  EXPECT_EQ(load.exitCode, 0) << load.output;
  EXPECT_TRUE(Contains(load.output, "3200 objects in")) << load.output;
  EXPECT_TRUE(Contains(load.output, ", 0 failed\n")) << load.output;
  EXPECT_TRUE(Contains(load.output, "LOAD OK")) << load.output;

  std::set<std::string> instances;
  size_t files = 0, studyLines = LinesOf(fs::path(db) / "KPStudy.dir"), seriesLines = 0,
         imageLines = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(db)) {
    const fs::path& path = entry.path();
    if (path.extension() == ".dcm") {
      ++files;
      instances.insert(path.stem().string());
    }
    if (path.filename() == "Series.dir") seriesLines += LinesOf(path);
    if (path.filename() == "Image.dir") imageLines += LinesOf(path);
  }
  EXPECT_EQ(files, 3200u);
  EXPECT_EQ(instances.size(), 3200u);
  EXPECT_EQ(studyLines, 3200u);
  EXPECT_EQ(seriesLines, 3200u);
  EXPECT_EQ(imageLines, 3200u);
}

TEST(LoadStatistics, PercentilesTimelineAndFailuresOfTheOperations) {
  using Clock = cli::LoadStatistics::Clock;
  const Clock::time_point start{};
  cli::LoadStatistics statistics(start);
  // 100 operations of 1 to 100 ms, ten ending in each of the first ten seconds; every
  // 25th without an answer, every other tenth refused.
  for (int i = 1; i <= 100; ++i) {
    const std::string failure = i % 25 == 0 ? "no answer" : i % 10 == 0 ? "status 0xA700" : "";
    statistics.Add(start + std::chrono::milliseconds(100 * (i - 1) + 50),
                   std::chrono::milliseconds(i), 1000, failure);
  }
  const cli::LoadSummary summary = statistics.Summarize(start + std::chrono::seconds(10));
  EXPECT_EQ(summary.operations, 100u);
  EXPECT_EQ(summary.failed, 12u);
  EXPECT_EQ(summary.bytes, 88000u);
  EXPECT_DOUBLE_EQ(summary.operationsPerSecond, 8.8);
  EXPECT_DOUBLE_EQ(summary.megabytesPerSecond, 0.0088);
  EXPECT_DOUBLE_EQ(summary.p50, 50);
  EXPECT_DOUBLE_EQ(summary.p95, 95);
  EXPECT_DOUBLE_EQ(summary.p99, 99);
  EXPECT_DOUBLE_EQ(summary.max, 100);
  EXPECT_EQ(summary.failures,
            (std::map<std::string, size_t>{{"no answer", 4}, {"status 0xA700", 8}}));
  ASSERT_EQ(summary.timeline.size(), 10u);
  EXPECT_EQ(summary.timeline[2].operations, 10u);
  EXPECT_EQ(summary.timeline[2].failed, 2u);
  EXPECT_EQ(summary.timeline[2].bytes, 8000u);

  const std::vector<std::string> lines = cli::LoadLines(summary, "objects", true, true);
  for (const char* line :
       {"100 objects in 10.000 s, 12 failed", "throughput: 8.8 objects/s, 0.01 MB/s",
        "latency ms: p50 50.00, p95 95.00, p99 99.00, max 100.00", "failed 8x: status 0xA700",
        "second 9: 10 objects, 1 failed, 0.01 MB"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  }
  EXPECT_EQ(cli::LoadLines(summary, "objects", true, false).size(), lines.size() - 10);
  const std::vector<std::string> echoes = cli::LoadLines(summary, "echoes", false, true);
  for (const char* line : {"throughput: 8.8 echoes/s", "second 9: 10 echoes, 1 failed"}) {
    EXPECT_NE(std::find(echoes.begin(), echoes.end(), line), echoes.end()) << line;
  }
  EXPECT_EQ(cli::LoadJson(summary)["failures"][0]["reason"], "no answer");
}

}  // namespace
}  // namespace norvane
