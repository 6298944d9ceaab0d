#include <gtest/gtest.h>

#include <latch>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "database/database_index.hpp"
#include "database/index_file.hpp"
#include "database/index_record.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

constexpr int kThreads = 8;
constexpr int kObjectsPerThread = 60;
constexpr int kStudies = 3;
constexpr int kSeriesPerStudy = 4;

std::string StudyUID(int study) {
  return "1.2.826.0.1.3680043.2.1125." + std::to_string(study + 1);
}
std::string SeriesUID(int study, int series) {
  return StudyUID(study) + "." + std::to_string(series + 1);
}

// Lines of an index file that must end in CR LF with no other line break inside.
std::vector<std::string> WholeLines(const std::string& path) {
  const std::string text = testing::ReadFileText(path);
  EXPECT_TRUE(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") << path;
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << path << " ends in a broken line: " << text.substr(start);
      break;
    }
    const std::string line = text.substr(start, end - start);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << path << ": " << line;
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

size_t Commas(const std::string& line) {
  return static_cast<size_t>(std::count(line.begin(), line.end(), ','));
}

TEST(DatabaseIndexConcurrency, ThreadsOnSharedAndSeparateStudiesWriteEachRecordOnce) {
  testing::TempDir dir;
  const std::string root = dir / "Database";
  std::latch start(kThreads);
  std::vector<int> failures(kThreads, 0);
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        start.arrive_and_wait();
        for (int i = 0; i < kObjectsPerThread; ++i) {
          // Every thread walks all studies and series, so several meet each new folder.
          const int study = (t + i) % kStudies;
          const int series = (i / kStudies) % kSeriesPerStudy;
          const std::string instance =
              SeriesUID(study, series) + "." + std::to_string(t) + "." + std::to_string(i);
          const std::string file = root + "/" + StudyUID(study) + "/" + SeriesUID(study, series) +
                                   "/" + instance + ".dcm";
          const TagList object =
              testing::CompleteObject(StudyUID(study), SeriesUID(study, series), instance);
          if (UpdateDatabaseIndex(file, root, object) != IndexResult::kRecorded) ++failures[t];
        }
      });
    }
  }
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));

  std::multiset<std::string> studies;
  for (const std::string& line : WholeLines(root + "/KPStudy.dir")) {
    EXPECT_EQ(Commas(line), 10u) << line;
    studies.insert(GetField(line, ',', 1));
  }
  std::multiset<std::string> expectedStudies;
  for (int s = 0; s < kStudies; ++s)
    expectedStudies.insert(StudyUID(s));
  EXPECT_EQ(studies, expectedStudies);

  std::multiset<std::string> instances;
  for (int s = 0; s < kStudies; ++s) {
    std::multiset<std::string> series;
    for (const std::string& line : WholeLines(root + "/" + StudyUID(s) + "/Series.dir")) {
      EXPECT_EQ(Commas(line), 9u) << line;
      series.insert(GetField(line, ',', 2));
    }
    std::multiset<std::string> expectedSeries;
    for (int r = 0; r < kSeriesPerStudy; ++r) {
      expectedSeries.insert(SeriesUID(s, r));
      const std::string imageIndex =
          root + "/" + StudyUID(s) + "/" + SeriesUID(s, r) + "/Image.dir";
      for (const std::string& line : WholeLines(imageIndex)) {
        EXPECT_EQ(Commas(line), 11u) << line;
        const std::string instance = GetField(line, ',', kImageFileField);
        EXPECT_EQ(instance.rfind(SeriesUID(s, r) + ".", 0), 0u) << imageIndex << ": " << line;
        instances.insert(instance);
      }
    }
    EXPECT_EQ(series, expectedSeries) << StudyUID(s);
  }
  EXPECT_EQ(instances.size(), static_cast<size_t>(kThreads * kObjectsPerThread));
  EXPECT_EQ(std::set<std::string>(instances.begin(), instances.end()).size(), instances.size());
}

}  // namespace
}  // namespace norvane
