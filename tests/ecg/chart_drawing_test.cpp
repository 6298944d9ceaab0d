// The strip chart's paper, calibration pulses, traces and channel layout, pixel by pixel.

#include <gtest/gtest.h>

#include "ecg/channel_layout.hpp"
#include "ecg/chart_channel.hpp"
#include "ecg/chart_test_support.hpp"

namespace norvane {
namespace {

using testing::DrawChart;
using testing::IsBlack;
using testing::ObjectWith;
using testing::OneChannel;

// What the paper shows at x, y where nothing is drawn over it.
PaletteEntry PaperColour(int x, int y, int width, int height) {
  if (y % 40 == 0 || x % 100 == 0) return testing::kDarkGrey;
  if (y % 20 == 0 || x % 20 == 0) return testing::kLightGrey;
  if (x == width - 1 || y == height - 1) return testing::kBlack;  // the border
  return testing::kWhite;
}

TEST(ChartPaper, FineLinesEveryTwentyPixelsCoarseEveryFortyDownAndHundredAcross) {
  for (const auto& [width, height] : {std::pair{1200, 800}, std::pair{1013, 777}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const Raster chart =
        DrawChart(ObjectWith({OneChannel(testing::Constant16(0, 100))}), width, height);
    // Below the only channel's strip nothing but paper.
    int mismatches = 0;
    for (int y = 260; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const PaletteEntry expected = PaperColour(x, y, width, height);
        if (chart.ColourAt(x, y) != expected && ++mismatches <= 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << " is "
                        << testing::ColourText(chart.ColourAt(x, y)) << ", paper is "
                        << testing::ColourText(expected);
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(ChartChannel, CalibrationPulseRisesFortyPixelsForFifteen) {
  const Raster chart = DrawChart(ObjectWith({OneChannel(testing::Constant16(0, 100))}));
  // Channel 1: origin 0, baseline 190. Pulse: 0,190 7,190 7,150 22,150 22,190 30,190.
  const auto onPulse = [](int x, int y) {
    return (y == 190 && x >= 0 && x <= 7) || (x == 7 && y >= 150 && y <= 190) ||
           (y == 150 && x >= 7 && x <= 22) || (x == 22 && y >= 150 && y <= 190) ||
           (y == 190 && x >= 22 && x <= 30);
  };
  for (int y = 140; y <= 200; ++y) {
    for (int x = 0; x <= 29; ++x) {
      EXPECT_EQ(IsBlack(chart, x, y), onPulse(x, y)) << "pixel " << x << "," << y;
    }
  }
}

TEST(ChartChannel, ConstantSamplesLieOnOneRowForHalfTheWidth) {
  // 250 uV at 40 pixels per mV: 10 pixels above the baseline 190; -250 uV 10 below.
  for (const int16_t value : {int16_t{250}, int16_t{-250}}) {
    SCOPED_TRACE(value);
    const Raster chart = DrawChart(ObjectWith({OneChannel(testing::Constant16(value, 10000))}));
    const int row = 190 - value / 25;
    // 500 Hz, 5 samples per pixel: (1200 - 50) * 5 / 2 = 2875 samples, the last at
    // x = 30 + 2874 / 5 = 604.
    for (int x = 31; x <= 604; ++x) {
      EXPECT_TRUE(IsBlack(chart, x, row)) << "pixel " << x << "," << row;
      EXPECT_FALSE(IsBlack(chart, x, row - 1)) << "pixel " << x << "," << row - 1;
      EXPECT_FALSE(IsBlack(chart, x, row + 1)) << "pixel " << x << "," << row + 1;
    }
    EXPECT_FALSE(IsBlack(chart, 605, row));
    // The first sample counts as 0: the trace leaves the baseline at x = 30.
    for (int y = std::min(row, 190); y <= std::max(row, 190); ++y)
      EXPECT_TRUE(IsBlack(chart, 30, y)) << "pixel 30," << y;
    EXPECT_FALSE(IsBlack(chart, 300, 190));
  }
}

std::vector<uint8_t> SquareWave(int16_t high, int16_t low, uint32_t halfPeriod, uint32_t count) {
  std::vector<int16_t> samples(count);
  for (uint32_t s = 0; s < count; ++s)
    samples[s] = (s / halfPeriod) % 2 == 0 ? high : low;
  return testing::Interleave16({samples});
}

TEST(ChartChannel, SquareWaveAlternatesBetweenTwoRowsAndMillivoltsDrawTheSame) {
  // +-500 uV: rows 170 and 210; 50 samples (10 pixels) per half period.
  const Raster micro = DrawChart(ObjectWith({OneChannel(SquareWave(500, -500, 50, 10000))}));
  for (uint32_t k = 1; k < 2875; ++k) {
    const int x = 30 + static_cast<int>(k / 5);
    const int y = (k / 50) % 2 == 0 ? 170 : 210;
    ASSERT_TRUE(IsBlack(micro, x, y)) << "sample " << k << " at " << x << "," << y;
  }
  for (int x = 31; x < 600; ++x) {
    // A rise or fall from one row to the other crosses the baseline next to its step.
    const bool edge = (x - 30) % 10 == 0 || (x - 30) % 10 == 9;
    if (!edge) {
      EXPECT_FALSE(IsBlack(micro, x, 190)) << "pixel " << x << ",190";
    }
  }
  // The same data in millivolts at sensitivity 0.001, and at 2 uV per unit with half the
  // values.
  const Raster milli =
      DrawChart(ObjectWith({OneChannel(SquareWave(500, -500, 50, 10000), "mV", "0.001")}));
  EXPECT_TRUE(
      std::equal(micro.Row(0).data(), micro.Row(799).data() + micro.Stride(), milli.Row(0).data()));
  const Raster coarse =
      DrawChart(ObjectWith({OneChannel(SquareWave(250, -250, 50, 10000), "uV", "2")}));
  EXPECT_TRUE(std::equal(micro.Row(0).data(), micro.Row(799).data() + micro.Stride(),
                         coarse.Row(0).data()));
}

TEST(ChartChannel, MillimetresOfMercuryRiseFortyPixelsPerHundred) {
  const Raster chart =
      DrawChart(ObjectWith({OneChannel(testing::Constant16(100, 1000), "mm[Hg]", "1")}));
  for (int x = 31; x < 229; ++x)  // 1000 samples: 200 pixels
    EXPECT_TRUE(IsBlack(chart, x, 150)) << "pixel " << x << ",150";
  EXPECT_FALSE(IsBlack(chart, 231, 150));
}

TEST(ChartChannel, UnitsWithoutScaleGetNoPulseAndTheirLargestSampleFortyPixelsUp) {
  const Raster chart =
      DrawChart(ObjectWith({OneChannel(testing::Constant16(3, 1000), "{counts}")}));
  for (int y = 150; y < 190; ++y) {
    EXPECT_FALSE(IsBlack(chart, 7, y)) << "pixel 7," << y;
    EXPECT_FALSE(IsBlack(chart, 22, y)) << "pixel 22," << y;
  }
  for (int x = 31; x < 229; ++x)
    EXPECT_TRUE(IsBlack(chart, x, 150)) << "pixel " << x << ",150";
}

TEST(ChartLayout, TwelveLeadsInTwoColumnsAndAThirteenthBelowTheRight) {
  testing::WaveformSpec group;
  group.samples = 500;
  for (int i = 0; i < 13; ++i)
    group.definitions.push_back({"Lead " + std::to_string(i + 1)});
  group.data = testing::Constant16(0, 500, 13);
  const Raster chart = DrawChart(ObjectWith({group}), 1200, 800);
  const int baselines[] = {190, 280, 370, 460, 550, 640};
  for (int i = 0; i < 13; ++i) {
    SCOPED_TRACE("channel " + std::to_string(i + 1));
    const int x = i < 6 ? 0 : 600;
    const int y = i < 6 ? baselines[i] : i < 12 ? baselines[i - 6] : 730;
    // The pulse's top corners and the trace on the baseline.
    EXPECT_TRUE(IsBlack(chart, x + 7, y - 40));
    EXPECT_TRUE(IsBlack(chart, x + 22, y - 40));
    EXPECT_TRUE(IsBlack(chart, x + 15, y - 40));
    EXPECT_FALSE(IsBlack(chart, x + 15, y - 39));
    EXPECT_TRUE(IsBlack(chart, x + 100, y));
    // The label 70 above the baseline, 5 right of the origin.
    bool ink = false;
    for (int ly = y - 70; ly < y - 55; ++ly) {
      for (int lx = x + 5; lx < x + 60; ++lx)
        ink = ink || testing::IsInk(chart, lx, ly);
    }
    EXPECT_TRUE(ink);
  }
}

TEST(ChartLayout, ScaleLabelAndSamplesPerPixelFollowUnitsAndFrequency) {
  TWaveform waveform;
  const char* units[] = {"uV", "mV", "mm[Hg]", "mmHg", "{counts}"};
  const double sensitivity[] = {2.5, 0.0025, 1, 0.5, 1};
  for (int i = 0; i < 5; ++i) {
    TChannel channel;
    channel.codeMeaning = "C" + std::to_string(i);
    channel.units = units[i];
    channel.channelSensitivity = sensitivity[i];
    channel.samplingFrequency = i == 0 ? 1000 : 250;
    waveform.channels.push_back(channel);
  }
  LayOutChannels(waveform, 1001);
  EXPECT_EQ(waveform.scale, 40);
  const auto& c = waveform.channels;
  EXPECT_DOUBLE_EQ(c[0].samplesPerPixel, 10);
  EXPECT_DOUBLE_EQ(c[1].samplesPerPixel, 2.5);
  EXPECT_DOUBLE_EQ(c[0].amplitudeDivisor, 10);   // 1000 / (2.5 * 40)
  EXPECT_NEAR(c[1].amplitudeDivisor, 10, 1e-9);  // 1 / (0.0025 * 40)
  EXPECT_DOUBLE_EQ(c[2].amplitudeDivisor, 2.5);  // 100 / (1 * 40)
  EXPECT_DOUBLE_EQ(c[3].amplitudeDivisor, 5);
  EXPECT_EQ(c[4].amplitudeDivisor, 0);
  EXPECT_EQ(c[0].label, "C0 0.5 mV/div");
  EXPECT_EQ(c[1].label, "C1 0.5 mV/div");
  EXPECT_EQ(c[2].label, "C2 50 mm Hg/div");
  EXPECT_EQ(c[3].label, "C3 50 mm Hg/div");
  EXPECT_EQ(c[4].label, "C4");
  EXPECT_EQ(c[0].xOrigin, 0);
  EXPECT_EQ(c[0].yBaseline, 190);
  EXPECT_EQ(c[4].yBaseline, 550);
  EXPECT_EQ(c[0].scale, 40);

  TChannel shown;
  shown.samplesPerPixel = 5;
  shown.numberOfSamples = 10000;
  shown.samples.resize(10000);
  EXPECT_EQ(ShownSamples(shown, 1200), 2875u);
  EXPECT_EQ(ShownSamples(shown, 1201), 2877u);  // 1151 * 2.5 = 2877.5, truncated
  EXPECT_EQ(ShownSamples(shown, 40), 0u);
  shown.numberOfSamples = 1000;
  shown.samples.resize(1000);
  EXPECT_EQ(ShownSamples(shown, 1200), 1000u);
}

TEST(ChartLayout, TracePointsTruncateTowardZero) {
  TChannel channel;
  channel.xOrigin = 600;
  channel.yBaseline = 190;
  channel.samplesPerPixel = 3;  // 300 Hz
  channel.amplitudeDivisor = 7;
  channel.numberOfSamples = 5;
  channel.samples = {99, 7, 13, -13, 1401};
  const std::vector<CanvasPoint> points = TracePoints(channel, 1200);
  const std::vector<CanvasPoint> expected = {{630, 190}, {630, 190}, {630, 189},
                                             {630, 188}, {631, 191}, {631, -10}};
  EXPECT_EQ(points, expected);
}

}  // namespace
}  // namespace norvane
