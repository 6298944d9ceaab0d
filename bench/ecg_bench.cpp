// Reading and drawing pydicom's 12-lead ECG (10 s at 1000 Hz) as a strip chart.

#include <benchmark/benchmark.h>

#include "datadec/dicom_file_reader.hpp"
#include "ecg/ecg_to_bitmap.hpp"
#include "ecg/waveform_reader.hpp"
#include "platform/raster.hpp"
#include "platform/raster_png.hpp"

namespace norvane {
namespace {

const TagList& EcgDataset() {
  static const TagList dataset =
      DICOMFile(std::string(NORVANE_PYDICOM_TEST_FILES) + "/waveform_ecg.dcm").dataset;
  return dataset;
}

void BM_ReadWaveformStudy(benchmark::State& state) {
  const TagList& dataset = EcgDataset();
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadWaveformStudy(dataset));
}
BENCHMARK(BM_ReadWaveformStudy);

void BM_ECG2Bitmap(benchmark::State& state) {
  const TagList& dataset = EcgDataset();
  Raster raster = *Raster::Create(static_cast<int>(state.range(0)),
                                  static_cast<int>(state.range(1)), PixelFormat::kBgrx32);
  for (auto _ : state) {
    if (ECG2Bitmap(raster, dataset) != EcgStatus::kDrawn) state.SkipWithError("not drawn");
  }
}
BENCHMARK(BM_ECG2Bitmap)->Args({1200, 800})->Args({2400, 1600})->Unit(benchmark::kMillisecond);

void BM_EncodePng(benchmark::State& state) {
  Raster raster = *Raster::Create(1200, 800, PixelFormat::kBgrx32);
  (void)ECG2Bitmap(raster, EcgDataset());
  for (auto _ : state)
    benchmark::DoNotOptimize(EncodeRasterPng(raster));
}
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace norvane

BENCHMARK_MAIN();
