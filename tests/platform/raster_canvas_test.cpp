// Lines, rectangles and text drawn into rasters through Cairo.

#include "platform/raster_canvas.hpp"

#include <gtest/gtest.h>

#include <set>

namespace norvane {
namespace {

constexpr PaletteEntry kBlack{0, 0, 0};
constexpr PaletteEntry kWhite{255, 255, 255};

Raster White(int width, int height, PixelFormat format = PixelFormat::kBgrx32) {
  Raster raster = *Raster::Create(width, height, format);
  if (format == PixelFormat::kPalette8) {
    raster.SetGreyPalette();
  }
  for (int y = 0; y < height; ++y) {
    for (uint8_t& b : raster.Row(y))
      b = 255;
  }
  return raster;
}

std::set<std::pair<int, int>> BlackPixels(const Raster& raster) {
  std::set<std::pair<int, int>> black;
  for (int y = 0; y < raster.Height(); ++y) {
    for (int x = 0; x < raster.Width(); ++x) {
      if (raster.ColourAt(x, y) == kBlack) black.insert({x, y});
    }
  }
  return black;
}

TEST(RasterCanvas, LinesCoverEveryPixelFromEndToEndAndNoOther) {
  Raster raster = White(12, 12);
  {
    RasterCanvas canvas(raster);
    ASSERT_TRUE(canvas.Ok());
    canvas.SetPen(kBlack);
    canvas.Line({2, 3}, {8, 3});
    canvas.Line({10, 1}, {10, 6});
    ASSERT_TRUE(canvas.Finish());
  }
  std::set<std::pair<int, int>> expected;
  for (int x = 2; x <= 8; ++x)
    expected.insert({x, 3});
  for (int y = 1; y <= 6; ++y)
    expected.insert({10, y});
  EXPECT_EQ(BlackPixels(raster), expected);

  Raster diagonal = White(10, 10);
  {
    RasterCanvas canvas(diagonal);
    canvas.Line({1, 1}, {7, 7});
  }
  expected.clear();
  for (int k = 1; k <= 7; ++k)
    expected.insert({k, k});
  EXPECT_EQ(BlackPixels(diagonal), expected);
}

TEST(RasterCanvas, PolylinesCoverEveryPointEvenWhereTheyTurnBack) {
  const std::vector<CanvasPoint> points = {{2, 10}, {2, 10}, {2, 9},  {2, 10}, {3, 11}, {3, 10},
                                           {4, 10}, {4, 3},  {4, 10}, {5, 10}, {6, 9},  {6, 9},
                                           {7, 17}, {8, 2},  {9, 10}, {9, 11}, {9, 10}};
  Raster raster = White(20, 20);
  {
    RasterCanvas canvas(raster);
    canvas.Polyline(points);
  }
  const auto black = BlackPixels(raster);
  for (const CanvasPoint& p : points)
    EXPECT_TRUE(black.count({p.x, p.y})) << "point " << p.x << "," << p.y;
  // Nothing beyond the points' reach: no spikes at the sharp turns.
  for (const auto& [x, y] : black) {
    EXPECT_TRUE(x >= 2 && x <= 9 && y >= 2 && y <= 17) << "pixel " << x << "," << y;
  }
  // A single point is drawn as one pixel.
  Raster dot = White(5, 5);
  {
    RasterCanvas canvas(dot);
    const CanvasPoint one[] = {{2, 2}};
    canvas.Polyline(one);
  }
  EXPECT_EQ(BlackPixels(dot), (std::set<std::pair<int, int>>{{2, 2}}));
}

TEST(RasterCanvas, RectangleHasAPenBorderAndABrushInside) {
  Raster raster = White(10, 10);
  {
    RasterCanvas canvas(raster);
    canvas.SetPen(kBlack);
    canvas.SetBrush({200, 100, 50});
    canvas.Rectangle(1, 2, 7, 9);  // pixels 1..6 across, 2..8 down
    canvas.Rectangle(5, 5, 5, 9);  // empty: nothing
  }
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 1 && x <= 6 && y >= 2 && y <= 8;
      const bool border = inside && (x == 1 || x == 6 || y == 2 || y == 8);
      const PaletteEntry expected = border ? kBlack : inside ? PaletteEntry{200, 100, 50} : kWhite;
      EXPECT_EQ(raster.ColourAt(x, y), expected) << "pixel " << x << "," << y;
    }
  }
}

TEST(RasterCanvas, TextStandsInItsCellAndMeasuresAsDrawn) {
  Raster raster = White(300, 60);
  int width = 0;
  int height = 0;
  int boldWidth = 0;
  {
    RasterCanvas canvas(raster);
    canvas.SetFont({"Tahoma", 10, false});
    width = canvas.TextWidth("Lead II 0.5 mV/div");
    height = canvas.TextHeight();
    canvas.Text(40, 20, "Lead II 0.5 mV/div");
    canvas.SetFont({"Tahoma", 10, true});
    boldWidth = canvas.TextWidth("Lead II 0.5 mV/div");
  }
  EXPECT_GT(width, 80);
  EXPECT_LT(width, 160);
  EXPECT_GE(height, 13);
  EXPECT_LE(height, 20);
  EXPECT_GT(boldWidth, width);
  int left = 1000, right = -1, top = 1000, bottom = -1;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 300; ++x) {
      const PaletteEntry c = raster.ColourAt(x, y);
      if (c.red + c.green + c.blue > 3 * 128) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_NEAR(left, 40, 2);
  EXPECT_NEAR(right, 40 + width, 3);
  EXPECT_GE(top, 20);
  EXPECT_LT(top, 20 + height / 2);
  EXPECT_LT(bottom, 20 + height);
}

TEST(RasterCanvas, TextThatIsNotUtf8DoesNotStopTheDrawing) {
  Raster raster = White(60, 30);
  RasterCanvas canvas(raster);
  canvas.Text(2, 2, "A\xFF\xC3(");
  canvas.Line({0, 25}, {59, 25});
  EXPECT_TRUE(canvas.Finish());
  EXPECT_EQ(raster.ColourAt(30, 25), kBlack);
  EXPECT_EQ(ValidUtf8("A\xFF\xC3(\xE2\x82\xAC"), "A\uFFFD\uFFFD(\u20AC");
  EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");  // a surrogate
  EXPECT_EQ(ValidUtf8("\xC0\xAF"), "\uFFFD\uFFFD");            // overlong
}

TEST(RasterCanvas, FontSizesInPointsAreWindowsPixelHeights) {
  EXPECT_EQ(FontPixelHeight(10), 13);
  EXPECT_EQ(FontPixelHeight(18), 24);
  EXPECT_EQ(FontPixelHeight(8), 11);
  EXPECT_EQ(FontPixelHeight(9), 12);
}

TEST(RasterCanvas, EveryFormatGetsTheSameColoursAndKeepsWhatIsNotDrawn) {
  for (const PixelFormat format :
       {PixelFormat::kBgrx32, PixelFormat::kBgr24, PixelFormat::kPalette8}) {
    SCOPED_TRACE(static_cast<int>(format));
    Raster raster = White(8, 8, format);
    if (format != PixelFormat::kPalette8) {
      raster.Row(7)[0] = 10;  // a bluish pixel at 0,7 stays as it is
    } else {
      raster.Row(7)[0] = 10;
    }
    const PaletteEntry before = raster.ColourAt(0, 7);
    {
      RasterCanvas canvas(raster);
      canvas.SetPen({128, 128, 128});
      canvas.Line({0, 1}, {7, 1});
      canvas.SetBrush({64, 64, 64});
      canvas.FillRectangle(2, 3, 2, 2);
    }
    EXPECT_EQ(raster.ColourAt(5, 1), (PaletteEntry{128, 128, 128}));
    EXPECT_EQ(raster.ColourAt(3, 4), (PaletteEntry{64, 64, 64}));
    EXPECT_EQ(raster.ColourAt(5, 5), kWhite);
    EXPECT_EQ(raster.ColourAt(0, 7), before);
  }
}

TEST(RasterCanvas, PaletteRastersGetTheNearestEntryOnlyWhereDrawn) {
  Raster raster = *Raster::Create(6, 3, PixelFormat::kPalette8);
  auto& palette = raster.Palette();
  palette[0] = {0, 0, 0};
  palette[1] = {255, 255, 255};
  palette[2] = {255, 0, 0};
  palette[3] = {255, 255, 255};  // a second white
  for (int x = 0; x < 6; ++x) {
    raster.Row(0)[x] = 3;
    raster.Row(1)[x] = 3;
    raster.Row(2)[x] = 3;
  }
  {
    RasterCanvas canvas(raster);
    canvas.SetPen({240, 20, 20});
    canvas.Line({0, 0}, {5, 0});
    canvas.SetPen({100, 100, 100});
    canvas.Line({0, 1}, {5, 1});
    canvas.SetPen({255, 255, 255});
    canvas.Line({0, 2}, {2, 2});
  }
  for (int x = 0; x < 6; ++x) {
    EXPECT_EQ(raster.Row(0)[x], 2) << x;  // nearest to red
    EXPECT_EQ(raster.Row(1)[x], 0) << x;  // nearest to black
    EXPECT_EQ(raster.Row(2)[x], 3) << x;  // drawn white over white: the pixel stays
  }
}

TEST(RasterCanvas, EmptyRasterCannotBeDrawnInto) {
  Raster empty;
  RasterCanvas canvas(empty);
  EXPECT_FALSE(canvas.Ok());
  canvas.Line({0, 0}, {5, 5});
  canvas.Text(0, 0, "x");
  EXPECT_EQ(canvas.TextWidth("x"), 0);
  EXPECT_FALSE(canvas.Finish());
}

}  // namespace
}  // namespace norvane
