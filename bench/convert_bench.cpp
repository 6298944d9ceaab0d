// Throughput of the transfer syntax conversion in this process, in bytes of uncompressed
// pixel data per second: JPEG lossless encoding and decoding of a 512 x 512 16-bit greyscale
// frame and a 512 x 512 8-bit RGB frame, through ConvertDataset (lists in memory) and
// ConvertFileTS (file to file), and a byte-order change for comparison. bench/run sets whole
// norvane processes against DCMTK's.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "convert/convert_dataset.hpp"
#include "convert/convert_file.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "elements/tag_list.hpp"

namespace {

using norvane::TagList;
using norvane::TagRecord;

constexpr int kSize = 512;
constexpr const char* kExplicit = "1.2.840.10008.1.2.1";
constexpr const char* kBig = "1.2.840.10008.1.2.2";
constexpr const char* kLossless = "1.2.840.10008.1.2.4.70";

struct Image {
  const char* name;
  int components;
  int bits;
};

constexpr Image kGrey16{"Grey16_512", 1, 16};
constexpr Image kRgb8{"Rgb8_512", 3, 8};

// A smooth radial pattern with a little noise, closer to an image than pure noise is.
std::vector<uint8_t> Frame(const Image& image) {
  std::mt19937 generator(42);
  std::normal_distribution<double> noise(0.0, image.bits == 8 ? 2.0 : 40.0);
  const double top = image.bits == 8 ? 255.0 : 65535.0;
  std::vector<uint8_t> bytes;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      for (int c = 0; c < image.components; ++c) {
        const double r = std::hypot(x - kSize / 2.0, y - kSize / 2.0 + c * 20) / kSize;
        const double v =
            std::clamp(top * (0.5 + 0.4 * std::cos(r * 12.0)) + noise(generator), 0.0, top);
        const auto sample = static_cast<unsigned>(v);
        bytes.push_back(static_cast<uint8_t>(sample & 0xFF));
        if (image.bits > 8) bytes.push_back(static_cast<uint8_t>(sample >> 8));
      }
    }
  }
  return bytes;
}

TagRecord Text(uint16_t group, uint16_t element, const char* vr, std::string text, char pad) {
  if (text.size() % 2 != 0) text.push_back(pad);
  return norvane::GenerateTextTag(group, element, vr, text);
}

TagRecord Number(uint16_t group, uint16_t element, uint16_t value) {
  TagRecord record = norvane::GenerateUSTag(group, element, value);
  record.SetVR("US");
  return record;
}

TagList Dataset(const Image& image) {
  const std::vector<uint8_t> pixels = Frame(image);
  TagList list{Text(0x0008, 0x0016, "UI", "1.2.840.10008.5.1.4.1.1.7", '\0'),
               Text(0x0008, 0x0018, "UI", "1.2.826.0.1.3680043.2.4821.88.1", '\0'),
               Text(0x0010, 0x0010, "PN", "Bench^Convert", ' '),
               Number(0x0028, 0x0002, static_cast<uint16_t>(image.components)),
               Text(0x0028, 0x0004, "CS", image.components == 3 ? "RGB" : "MONOCHROME2", ' ')};
  if (image.components == 3) list.push_back(Number(0x0028, 0x0006, 0));
  list.push_back(Number(0x0028, 0x0010, kSize));
  list.push_back(Number(0x0028, 0x0011, kSize));
  list.push_back(Number(0x0028, 0x0100, static_cast<uint16_t>(image.bits)));
  list.push_back(Number(0x0028, 0x0101, static_cast<uint16_t>(image.bits)));
  list.push_back(Number(0x0028, 0x0102, static_cast<uint16_t>(image.bits - 1)));
  list.push_back(Number(0x0028, 0x0103, 0));
  list.push_back(norvane::GenerateTag(0x7FE0, 0x0010, image.bits == 8 ? "OB" : "OW", pixels));
  return list;
}

int64_t PixelBytes(const Image& image) {
  return int64_t{kSize} * kSize * image.components * (image.bits / 8);
}

void Convert(benchmark::State& state, const Image& image, const char* from, const char* to) {
  TagList source;
  if (norvane::ConvertDataset(source, Dataset(image), from, kExplicit) !=
      norvane::ConvertStatus::kOk) {
    state.SkipWithError("preparing the source failed");
    return;
  }
  for (auto _ : state) {
    TagList out;
    if (norvane::ConvertDataset(out, source, to, from) != norvane::ConvertStatus::kOk)
      state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * PixelBytes(image));
}

// A file of the image in `syntax`, written by our writer.
std::string WriteFile(const Image& image, const char* syntax, const std::string& folder) {
  TagList dataset;
  norvane::ConvertDataset(dataset, Dataset(image), syntax, kExplicit);
  TagList meta;
  norvane::BuildMetaHeader(meta, norvane::GetTagText(dataset, 0x0008, 0x0016),
                           norvane::GetTagText(dataset, 0x0008, 0x0018), syntax);
  const std::string path =
      folder + "/" + image.name + (std::string(syntax) == kLossless ? "-lossless" : "") + ".dcm";
  norvane::WriteDicomFile(path, &meta, dataset, true, norvane::ByteOrder::kLittleEndian);
  return path;
}

std::string Folder() {
  static const std::string folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "convert_bench.XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    return std::string(made ? made : ".");
  }();
  return folder;
}

void ConvertFile(benchmark::State& state, const Image& image, const char* from, const char* to) {
  const std::string in = WriteFile(image, from, Folder());
  const std::string out = Folder() + "/" + image.name + "-out.dcm";
  for (auto _ : state) {
    if (!norvane::ConvertFileTS(out, in, to)) state.SkipWithError("conversion failed");
  }
  state.SetBytesProcessed(state.iterations() * PixelBytes(image));
}

BENCHMARK_CAPTURE(Convert, LosslessEncode_Grey16_512, kGrey16, kExplicit, kLossless);
BENCHMARK_CAPTURE(Convert, LosslessDecode_Grey16_512, kGrey16, kLossless, kExplicit);
BENCHMARK_CAPTURE(Convert, LosslessEncode_Rgb8_512, kRgb8, kExplicit, kLossless);
BENCHMARK_CAPTURE(Convert, LosslessDecode_Rgb8_512, kRgb8, kLossless, kExplicit);
BENCHMARK_CAPTURE(Convert, BigEndian_Grey16_512, kGrey16, kExplicit, kBig);
BENCHMARK_CAPTURE(ConvertFile, LosslessEncode_Grey16_512, kGrey16, kExplicit, kLossless);
BENCHMARK_CAPTURE(ConvertFile, LosslessDecode_Grey16_512, kGrey16, kLossless, kExplicit);
BENCHMARK_CAPTURE(ConvertFile, LosslessEncode_Rgb8_512, kRgb8, kExplicit, kLossless);
BENCHMARK_CAPTURE(ConvertFile, LosslessDecode_Rgb8_512, kRgb8, kLossless, kExplicit);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(Folder(), ignored);
  return 0;
}
