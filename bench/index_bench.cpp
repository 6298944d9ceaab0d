// UpdateDatabaseIndex as a storage SCP drives it: 1000 received objects of one study spread
// over 10 series, indexed into a fresh database root. The first object of each series also
// makes its folder and writes its series record; the rest append one image record each.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "database/database_index.hpp"
#include "elements/tag_list.hpp"

namespace {

namespace fs = std::filesystem;
using norvane::GenerateTextTag;
using norvane::GenerateUSTag;
using norvane::TagList;

constexpr int kObjects = 1000;
constexpr int kSeries = 10;
const std::string kStudyUID = "1.2.826.0.1.3680043.2.1125.1";

std::string Padded(std::string text, char pad) {
  if (text.size() % 2 != 0) text += pad;
  return text;
}

struct Object {
  TagList dataset;
  std::string relativeFile;  // study/series/instance.dcm under the root
};

std::vector<Object> MakeObjects() {
  std::vector<Object> objects;
  for (int i = 0; i < kObjects; ++i) {
    const std::string series = kStudyUID + "." + std::to_string(i % kSeries + 1);
    const std::string instance = series + "." + std::to_string(i + 1);
    TagList list;
    list.push_back(GenerateTextTag(0x0008, 0x0008, "CS", "ORIGINAL\\PRIMARY\\AXIAL"));
    list.push_back(GenerateTextTag(0x0008, 0x0016, "UI", Padded("1.2.840.10008.5.1.4.1.1.2", 0)));
    list.push_back(GenerateTextTag(0x0008, 0x0018, "UI", Padded(instance, 0)));
    list.push_back(GenerateTextTag(0x0008, 0x0020, "DA", "20240131"));
    list.push_back(GenerateTextTag(0x0008, 0x0030, "TM", "093015"));
    list.push_back(GenerateTextTag(0x0008, 0x1030, "LO", "Chest "));
    list.push_back(GenerateTextTag(0x0010, 0x0010, "PN", "Doe,John"));
    list.push_back(GenerateTextTag(0x0010, 0x0020, "LO", "PID-0042"));
    list.push_back(GenerateTextTag(0x0020, 0x000D, "UI", Padded(kStudyUID, 0)));
    list.push_back(GenerateTextTag(0x0020, 0x000E, "UI", Padded(series, 0)));
    list.push_back(GenerateTextTag(0x0020, 0x0013, "IS", Padded(std::to_string(i + 1), ' ')));
    list.push_back(GenerateUSTag(0x0028, 0x0010, 512));
    list.push_back(GenerateUSTag(0x0028, 0x0011, 512));
    objects.push_back({std::move(list), kStudyUID + "/" + series + "/" + instance + ".dcm"});
  }
  return objects;
}

void BM_UpdateDatabaseIndex_1000ObjectsIn10Series(benchmark::State& state) {
  const std::vector<Object> objects = MakeObjects();
  const fs::path root =
      fs::temp_directory_path() / ("norvane-index-bench-" + std::to_string(::getpid()));
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(root);
    state.ResumeTiming();
    for (const Object& object : objects) {
      const auto result = norvane::UpdateDatabaseIndex((root / object.relativeFile).string(),
                                                       root.string(), object.dataset);
      if (result != norvane::IndexResult::kRecorded) {
        state.SkipWithError("index update failed");
        break;
      }
    }
  }
  fs::remove_all(root);
  state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_UpdateDatabaseIndex_1000ObjectsIn10Series)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
