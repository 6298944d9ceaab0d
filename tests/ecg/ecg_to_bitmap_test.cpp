// What ECG2Bitmap draws and refuses, and into which rasters.

#include "ecg/ecg_to_bitmap.hpp"

#include <gtest/gtest.h>

#include <random>

#include "ecg/chart_test_support.hpp"

namespace norvane {
namespace {

using testing::ObjectWith;
using testing::OneChannel;
using testing::WaveformObjectSpec;

// A 32-bit raster filled with a pattern no drawing makes.
Raster Patterned(int width = 300, int height = 200) {
  Raster raster = *Raster::Create(width, height, PixelFormat::kBgrx32);
  for (int y = 0; y < height; ++y) {
    for (size_t i = 0; i < raster.Stride(); ++i)
      raster.Row(y)[i] = static_cast<uint8_t>(i * 7 + y);
  }
  return raster;
}

bool SamePixels(const Raster& a, const Raster& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.Stride() != b.Stride()) {
    return false;
  }
  for (int y = 0; y < a.Height(); ++y) {
    if (!std::equal(a.Row(y).begin(), a.Row(y).end(), b.Row(y).begin())) return false;
  }
  return true;
}

EcgStatus Draw(Raster& raster, const WaveformObjectSpec& spec,
               testing::SequenceForm form = testing::SequenceForm::kFlat) {
  return ECG2Bitmap(raster, testing::ToTagList(testing::WaveformObject(spec), form));
}

TEST(ECG2Bitmap, DrawsEcgHemodynamicAndAudioModalitiesOnly) {
  for (const char* modality : {"ECG", "HD", "AU", "ECG "}) {
    SCOPED_TRACE(modality);
    WaveformObjectSpec spec = ObjectWith({OneChannel(testing::Constant16(0, 10))});
    spec.modality = modality;
    Raster raster = Patterned();
    EXPECT_EQ(ECG2Bitmap(raster, testing::ToTagList(testing::WaveformObject(spec),
                                                    testing::SequenceForm::kFlat)),
              EcgStatus::kDrawn);
    EXPECT_EQ(raster.ColourAt(150, 101), testing::kWhite);
  }
  for (const char* modality : {"MR", "ecg", "EC", ""}) {
    SCOPED_TRACE(modality);
    WaveformObjectSpec spec = ObjectWith({OneChannel(testing::Constant16(0, 10))});
    spec.modality = modality;
    Raster raster = Patterned();
    EXPECT_EQ(Draw(raster, spec), EcgStatus::kNotWaveformModality);
    EXPECT_TRUE(SamePixels(raster, Patterned()));
  }
}

TEST(ECG2Bitmap, MalformedObjectsLeaveTheBitmapUntouched) {
  struct Case {
    const char* what;
    WaveformObjectSpec spec;
    EcgStatus expected;
  };
  std::vector<Case> cases;
  const auto with = [](auto change) {
    testing::WaveformSpec group = OneChannel(testing::Constant16(5, 100));
    change(group);
    return ObjectWith({group});
  };
  cases.push_back({"no multiplex group", ObjectWith({}), EcgStatus::kNoCompleteWaveform});
  cases.push_back(
      {"no waveform data", with([](auto& g) { g.data.reset(); }), EcgStatus::kNoCompleteWaveform});
  cases.push_back({"more samples than data", with([](auto& g) { g.samples = 101; }),
                   EcgStatus::kWaveformDataTooShort});
  cases.push_back({"huge sample count", with([](auto& g) { g.samples = 0xFFFFFFFF; }),
                   EcgStatus::kWaveformDataTooShort});
  cases.push_back({"zero channels", with([](auto& g) {
                     g.definitions.clear();
                     g.numberOfChannels = 0;
                   }),
                   EcgStatus::kNoChannels});
  cases.push_back({"channel count larger than definitions",
                   with([](auto& g) { g.numberOfChannels = 2; }),
                   EcgStatus::kChannelCountMismatch});
  cases.push_back({"sampling frequency 0", with([](auto& g) { g.frequency = "0"; }),
                   EcgStatus::kNoSamplingFrequency});
  cases.push_back({"sampling frequency below 1 Hz", with([](auto& g) { g.frequency = "0.5"; }),
                   EcgStatus::kNoSamplingFrequency});
  cases.push_back({"sampling frequency not a number", with([](auto& g) { g.frequency = "fast"; }),
                   EcgStatus::kNoSamplingFrequency});
  cases.push_back({"negative sampling frequency", with([](auto& g) { g.frequency = "-500"; }),
                   EcgStatus::kNoSamplingFrequency});
  cases.push_back({"12 bits allocated", with([](auto& g) { g.bits = 12; }),
                   EcgStatus::kUnsupportedBitsAllocated});
  cases.push_back({"0 samples", with([](auto& g) { g.samples = 0; }), EcgStatus::kNoSamples});
  for (const Case& c : cases) {
    for (const testing::SequenceForm form : testing::kAllForms) {
      SCOPED_TRACE(std::string(c.what) + ", " + testing::FormName(form));
      Raster raster = Patterned();
      const EcgStatus status = Draw(raster, c.spec, form);
      EXPECT_EQ(status, c.expected) << Describe(status);
      EXPECT_TRUE(SamePixels(raster, Patterned()));
    }
  }

  // A sequence length past its value.
  TagList list = testing::ToTagList(
      testing::WaveformObject(ObjectWith({OneChannel(testing::Constant16(5, 100))})),
      testing::SequenceForm::kEncodedExplicit);
  for (TagRecord& r : list) {
    if (r.Is(0x5400, 0x0100)) r.value[7] = 0x10;  // first item: 256 MiB more than there is
  }
  Raster raster = Patterned();
  EXPECT_EQ(ECG2Bitmap(raster, list), EcgStatus::kMalformedSequence);
  EXPECT_TRUE(SamePixels(raster, Patterned()));

  Raster empty;
  EXPECT_EQ(Draw(empty, ObjectWith({OneChannel(testing::Constant16(5, 100))})),
            EcgStatus::kEmptyBitmap);
}

TEST(ECG2Bitmap, OnlyTheFirstMultiplexGroupIsDrawn) {
  const Raster first = testing::DrawChart(ObjectWith({OneChannel(testing::Constant16(250, 100))}));
  const Raster both = testing::DrawChart(ObjectWith(
      {OneChannel(testing::Constant16(250, 100)), OneChannel(testing::Constant16(-250, 100))}));
  EXPECT_TRUE(SamePixels(first, both));
  EXPECT_TRUE(testing::IsBlack(both, 40, 180));
  EXPECT_FALSE(testing::IsBlack(both, 40, 200));
}

TEST(ECG2Bitmap, EveryRasterFormatGetsThePicture) {
  const WaveformObjectSpec spec = ObjectWith({OneChannel(testing::Constant16(250, 1000))});
  const TagList list =
      testing::ToTagList(testing::WaveformObject(spec), testing::SequenceForm::kFlat);
  Raster bgrx = *Raster::Create(400, 300, PixelFormat::kBgrx32);
  Raster bgr = *Raster::Create(400, 300, PixelFormat::kBgr24);
  Raster grey = *Raster::Create(400, 300, PixelFormat::kPalette8);
  grey.SetGreyPalette();
  ASSERT_EQ(ECG2Bitmap(bgrx, list), EcgStatus::kDrawn);
  ASSERT_EQ(ECG2Bitmap(bgr, list), EcgStatus::kDrawn);
  ASSERT_EQ(ECG2Bitmap(grey, list), EcgStatus::kDrawn);
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) {
      ASSERT_EQ(bgr.ColourAt(x, y), bgrx.ColourAt(x, y)) << "pixel " << x << "," << y;
      // Grey levels of a grey palette are the palette indexes themselves.
      const PaletteEntry c = bgrx.ColourAt(x, y);
      if (c.red == c.green && c.green == c.blue) {
        ASSERT_EQ(grey.Row(y)[x], c.red) << "pixel " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(grey.Row(250)[100], 128);  // dark grid lines
  EXPECT_EQ(grey.Row(240)[150], 128);
  EXPECT_EQ(grey.Row(250)[140], 192);  // light grid lines
  EXPECT_EQ(grey.Row(260)[150], 192);
  EXPECT_EQ(grey.Row(251)[141], 255);  // paper
  EXPECT_EQ(grey.Row(180)[50], 0);     // trace
}

TEST(ECG2Bitmap, ChannelsFarBelowTheBitmapAreClippedNotFatal) {
  testing::WaveformSpec group;
  group.samples = 10;
  group.definitions.assign(400, testing::ChannelSpec{"Lead"});
  group.data = testing::Constant16(30000, 10, 400);
  Raster raster = *Raster::Create(200, 100, PixelFormat::kBgrx32);
  EXPECT_EQ(Draw(raster, ObjectWith({group})), EcgStatus::kDrawn);
}

TEST(ECG2Bitmap, DamagedSequenceBytesNeverReadOutOfBounds) {
  // Random bytes of the encoded Waveform Sequence changed, one object at a time; under the
  // address sanitizer any read past a value shows. Whatever is drawn stays in the bitmap.
  testing::WaveformSpec group = OneChannel(testing::Constant16(100, 64));
  group.definitions.push_back({"Lead II", "2", "mV"});
  group.numberOfChannels = 2;
  group.samples = 32;
  const testing::Dataset object = testing::WaveformObject(ObjectWith({group}));
  std::minstd_rand random(20130125);
  int drawn = 0;
  for (const testing::SequenceForm form :
       {testing::SequenceForm::kEncodedExplicit, testing::SequenceForm::kEncodedImplicit}) {
    const TagList intact = testing::ToTagList(object, form);
    for (int round = 0; round < 400; ++round) {
      TagList damaged = intact;
      for (TagRecord& r : damaged) {
        if (!r.Is(0x5400, 0x0100)) continue;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int c = 0; c < changes; ++c)
          r.value[random() % r.value.size()] = static_cast<uint8_t>(random());
      }
      Raster raster = *Raster::Create(200, 150, PixelFormat::kBgrx32);
      drawn += ECG2Bitmap(raster, damaged) == EcgStatus::kDrawn;
    }
  }
  // Most changes hit sample bytes or texts and still draw.
  EXPECT_GT(drawn, 100);
}

}  // namespace
}  // namespace norvane
