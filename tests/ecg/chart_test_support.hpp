#pragma once

// Drawing synthetic waveform objects and looking at the pixels.

#include <gtest/gtest.h>

#include <string>

#include "ecg/ecg_to_bitmap.hpp"
#include "ecg/waveform_object.hpp"
#include "platform/raster.hpp"

namespace norvane::testing {

inline constexpr PaletteEntry kBlack{0, 0, 0};
inline constexpr PaletteEntry kWhite{255, 255, 255};
inline constexpr PaletteEntry kLightGrey{192, 192, 192};
inline constexpr PaletteEntry kDarkGrey{128, 128, 128};

// One channel, 10000 samples at 500 Hz, microvolts at sensitivity 1.
inline WaveformSpec OneChannel(std::vector<uint8_t> data, std::string units = "uV",
                               std::string sensitivity = "1") {
  WaveformSpec group;
  group.samples = static_cast<uint32_t>(data.size() / 2);
  group.definitions = {{"Lead I", sensitivity, units}};
  group.data = std::move(data);
  return group;
}

inline WaveformObjectSpec ObjectWith(std::vector<WaveformSpec> groups) {
  WaveformObjectSpec spec;
  spec.waveforms = std::move(groups);
  return spec;
}

// The chart of the object, drawn into a fresh 32-bit raster.
inline Raster DrawChart(const WaveformObjectSpec& spec, int width = 1200, int height = 800,
                        SequenceForm form = SequenceForm::kFlat) {
  Raster raster = *Raster::Create(width, height, PixelFormat::kBgrx32);
  const EcgStatus status = ECG2Bitmap(raster, ToTagList(WaveformObject(spec), form));
  EXPECT_EQ(status, EcgStatus::kDrawn) << Describe(status);
  return raster;
}

inline std::string ColourText(PaletteEntry c) {
  return "(" + std::to_string(c.red) + "," + std::to_string(c.green) + "," +
         std::to_string(c.blue) + ")";
}

inline bool IsBlack(const Raster& raster, int x, int y) {
  return raster.ColourAt(x, y) == kBlack;
}

// Darker than the grid's dark grey: ink of text or traces.
inline bool IsInk(const Raster& raster, int x, int y) {
  const PaletteEntry c = raster.ColourAt(x, y);
  return c.red + c.green + c.blue < 3 * 100;
}

}  // namespace norvane::testing
