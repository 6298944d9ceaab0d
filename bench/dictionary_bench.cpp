// LookupVR over the tags of real datasets, command sets and private elements, as the
// message decoder and the file readers meet them; beside it the plain scan of the table
// from its first row, for comparison.

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datadec/element_reader.hpp"
#include "dictionary/dictionary.hpp"

namespace {

using norvane::TagRecord;

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Every element of a DICOM file (preamble, "DICM", meta group, dataset), read flat.
void AppendFileTags(const std::string& name, std::vector<TagRecord>& tags) {
  const std::vector<uint8_t> file = ReadBytes(std::string(NORVANE_PYDICOM_TEST_FILES) + "/" + name);
  if (file.size() < 132 || std::memcmp(file.data() + 128, "DICM", 4) != 0) return;
  norvane::ElementReader reader(std::span<const uint8_t>(file).subspan(132), true, false, true);
  while (!reader.AtEnd()) {
    const auto header = norvane::ReadElementHeader(reader);
    if (!header) break;
    if (header->Is(0x0002, 0x0010) && reader.inMetaGroup && header->length > 17 &&
        reader.Remaining() >= 18 &&
        std::memcmp(reader.stream.data() + reader.position, "1.2.840.10008.1.2\0", 18) == 0) {
      reader.explicitVR = false;
    }
    if (header->HasValue() && !norvane::ReadElementValue(reader, header->length)) break;
    tags.push_back(header->ToRecord());
  }
}

std::vector<TagRecord> RealisticTags() {
  std::vector<TagRecord> tags;
  for (const char* name :
       {"CT_small.dcm", "MR_small_implicit.dcm", "rtplan.dcm", "waveform_ecg.dcm"}) {
    AppendFileTags(name, tags);
  }
  // A C-FIND exchange: command set, identifier, private and overlay elements.
  const std::pair<uint16_t, uint16_t> extra[] = {
      {0x0000, 0x0000}, {0x0000, 0x0002}, {0x0000, 0x0100}, {0x0000, 0x0110}, {0x0000, 0x0700},
      {0x0000, 0x0800}, {0x0000, 0x0900}, {0x0008, 0x0052}, {0x0010, 0x0010}, {0x0020, 0x000D},
      {0x0009, 0x0010}, {0x0009, 0x1001}, {0x0029, 0x1010}, {0x6002, 0x3000}, {0xFFFE, 0xE000}};
  for (auto [g, e] : extra) {
    TagRecord r;
    r.group = g;
    r.element = e;
    tags.push_back(r);
  }
  return tags;
}

void BM_LookupVR(benchmark::State& state) {
  std::vector<TagRecord> tags = RealisticTags();
  for (auto _ : state) {
    for (TagRecord& r : tags)
      norvane::LookupVR(r);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * tags.size()));
  state.counters["tags"] = static_cast<double>(tags.size());
}
BENCHMARK(BM_LookupVR);

void BM_LookupName(benchmark::State& state) {
  std::vector<TagRecord> tags = RealisticTags();
  for (auto _ : state) {
    for (TagRecord& r : tags)
      benchmark::DoNotOptimize(norvane::LookupName(r, false));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * tags.size()));
}
BENCHMARK(BM_LookupName);

// The scan from the first row that the lookups replace.
void BM_LinearScanForComparison(benchmark::State& state) {
  std::vector<TagRecord> tags = RealisticTags();
  const auto table = norvane::DictionaryTable();
  for (auto _ : state) {
    for (TagRecord& r : tags) {
      r.SetVR("UN");
      for (const norvane::DictionaryEntry& e : table) {
        if (e.group == r.group && e.element == r.element) {
          r.vr[0] = e.vr[0];
          r.vr[1] = e.vr[1];
          break;
        }
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * tags.size()));
}
BENCHMARK(BM_LinearScanForComparison);

}  // namespace

BENCHMARK_MAIN();
