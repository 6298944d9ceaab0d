// Preparing a print image: a 16-bit DICOM image through rescale and window, a colour
// bitmap into grey, and a bitmap into the image box pixel module (one pass per pixel,
// the pixel bytes copied once into the element).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "datadec/element_encoding.hpp"
#include "elements/tag_list.hpp"
#include "platform/raster.hpp"
#include "printimage/dicom_bitmap.hpp"
#include "printimage/print_pixel_module.hpp"

namespace {

using norvane::GenerateTag;
using norvane::GenerateTextTag;
using norvane::GenerateUSTag;
using norvane::PixelFormat;
using norvane::Raster;
using norvane::TagList;

TagList CtImage(uint16_t size) {
  TagList list;
  list.push_back(GenerateTextTag(0x0028, 0x0004, "CS", "MONOCHROME2 "));
  list.push_back(GenerateUSTag(0x0028, 0x0010, size));
  list.push_back(GenerateUSTag(0x0028, 0x0011, size));
  list.push_back(GenerateUSTag(0x0028, 0x0100, 16));
  list.push_back(GenerateTextTag(0x0028, 0x1050, "DS", "40"));
  list.push_back(GenerateTextTag(0x0028, 0x1051, "DS", "400 "));
  list.push_back(GenerateTextTag(0x0028, 0x1052, "DS", "-1024 "));
  list.push_back(GenerateTextTag(0x0028, 0x1053, "DS", "1 "));
  std::vector<uint8_t> pixels(size_t{size} * size * 2);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<uint8_t>(i * 31 + (i >> 9));
  list.push_back(GenerateTag(0x7FE0, 0x0010, "OW", pixels));
  return list;
}

Raster ColourRaster(int size) {
  Raster raster = *Raster::Create(size, size, PixelFormat::kBgr24);
  for (int y = 0; y < size; ++y) {
    uint8_t v = static_cast<uint8_t>(y);
    for (uint8_t& b : raster.Row(y))
      b = v++;
  }
  return raster;
}

void BM_DicomBitmapCt(benchmark::State& state) {
  const auto size = static_cast<uint16_t>(state.range(0));
  const TagList image = CtImage(size);
  Raster bitmap;
  for (auto _ : state) {
    benchmark::DoNotOptimize(norvane::DicomBitmap(image, bitmap, false));
  }
  state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(BM_DicomBitmapCt)->Arg(512)->Arg(2048);

void BM_ConvertToGray(benchmark::State& state) {
  const Raster colour = ColourRaster(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Raster copy = colour;
    norvane::ConvertToGray(copy);
    benchmark::DoNotOptimize(copy.Row(0).data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_ConvertToGray)->Arg(2048);

void BM_AddImagePixelModulePlanar(benchmark::State& state) {
  const Raster colour = ColourRaster(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TagList elements;
    benchmark::DoNotOptimize(norvane::AddImagePixelModule(colour, elements, 1));
  }
  state.SetBytesProcessed(state.iterations() * 3 * state.range(0) * state.range(0));
}
BENCHMARK(BM_AddImagePixelModulePlanar)->Arg(2048);

}  // namespace

BENCHMARK_MAIN();
