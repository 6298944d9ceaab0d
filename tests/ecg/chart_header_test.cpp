// The chart's header: its texts, where they stand, and that they are drawn.

#include "ecg/chart_header.hpp"

#include <gtest/gtest.h>

#include "ecg/chart_test_support.hpp"
#include "ecg/waveform_reader.hpp"

namespace norvane {
namespace {

using testing::ObjectWith;
using testing::OneChannel;

TStudy StudyOf(const testing::WaveformObjectSpec& spec) {
  return ReadWaveformStudy(
             testing::ToTagList(testing::WaveformObject(spec), testing::SequenceForm::kFlat))
      .study;
}

testing::WaveformObjectSpec Patient() {
  testing::WaveformObjectSpec spec = ObjectWith({OneChannel(testing::Constant16(0, 10))});
  spec.patientName = "DOE^JANE";
  spec.patientId = "642341";
  spec.birthDate = "19710123";
  spec.sex = "F";
  return spec;
}

TEST(ChartHeader, TextsAndPlacesOfTheHeader) {
  const std::vector<HeaderText> lines = ChartHeaderTexts(StudyOf(Patient()));
  ASSERT_EQ(lines.size(), 7u);
  struct Expected {
    const char* text;
    int x, y, points;
    bool centred;
  } expected[] = {
      {"www.velmorasoft.com", 0, 5, 18, true}, {"25/01/2013 10:59:19", 10, 10, 10, false},
      {"Name: DOE^JANE", 30, 30, 10, false},   {"ID: 642341", 30, 50, 10, false},
      {"DOB: 19710123", 30, 70, 10, false},    {"Sex: F", 30, 90, 10, false},
      {"200 mS/div", 150, 80, 10, false},
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(lines[i].text, expected[i].text);
    EXPECT_EQ(lines[i].y, expected[i].y);
    EXPECT_EQ(lines[i].centred, expected[i].centred);
    if (!expected[i].centred) {
      EXPECT_EQ(lines[i].x, expected[i].x);
    }
    EXPECT_EQ(lines[i].font.family, "Tahoma");
    EXPECT_EQ(lines[i].font.points, expected[i].points);
    EXPECT_TRUE(lines[i].font.bold);
  }
}

TEST(ChartHeader, MissingDateLeavesABlankBeforeTheTime) {
  testing::WaveformObjectSpec spec = Patient();
  spec.studyDate.reset();
  EXPECT_EQ(ChartHeaderTexts(StudyOf(spec))[1].text, " 10:59:19");
  spec.studyTime.reset();
  EXPECT_EQ(ChartHeaderTexts(StudyOf(spec))[1].text, " ");
}

TEST(ChartHeader, NamesAreShownInTheirCharacterSet) {
  testing::WaveformObjectSpec spec = Patient();
  spec.patientName = "REN\xC9^ZO\xEB";  // ISO 8859-1
  EXPECT_EQ(ChartHeaderTexts(StudyOf(spec))[2].text, "Name: REN\u00C9^ZO\u00EB");
  spec.characterSet = "ISO_IR 192";
  spec.patientName = "REN\u00C9^\u738B";
  EXPECT_EQ(ChartHeaderTexts(StudyOf(spec))[2].text, "Name: REN\u00C9^\u738B");
  spec.patientName = "BAD\xFF";
  EXPECT_EQ(ChartHeaderTexts(StudyOf(spec))[2].text, "Name: BAD\uFFFD");
}

// The columns between `top` and `top + height` that hold ink.
std::pair<int, int> InkSpan(const Raster& chart, int left, int right, int top, int height) {
  int first = -1, last = -1;
  for (int x = left; x < right; ++x) {
    for (int y = top; y < top + height; ++y) {
      if (testing::IsInk(chart, x, y)) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

TEST(ChartHeader, EachTextIsDrawnFromItsPlace) {
  const Raster chart = testing::DrawChart(Patient());
  Raster scratch = *Raster::Create(10, 10, PixelFormat::kBgrx32);
  RasterCanvas measure(scratch);
  for (const HeaderText& line : ChartHeaderTexts(StudyOf(Patient()))) {
    SCOPED_TRACE(line.text);
    measure.SetFont(line.font);
    const int width = measure.TextWidth(line.text);
    const int height = measure.TextHeight();
    ASSERT_GT(width, 20);
    ASSERT_GT(height, 10);
    const int x = line.centred ? (1200 - width) / 2 : line.x;
    // The texts on the left stand clear of one another column-wise below x = 140 (and
    // "200 mS/div" right of x = 146); the centred address clear of them right of x = 300.
    const int left = line.centred ? 300 : line.x >= 140 ? 146 : 0;
    const int right = line.centred ? 900 : line.x >= 140 ? 400 : 140;
    const auto [first, last] = InkSpan(chart, left, right, line.y, height);
    EXPECT_NEAR(first, x, 3);
    EXPECT_NEAR(last, std::min(x + width, right - 1), 4);
  }
}

}  // namespace
}  // namespace norvane
