// Rendering of thumbnails from image records: window mapping, rescale, bilinear and
// nearest-neighbour sampling, black borders, and what counts as pixel data.

#include <gtest/gtest.h>

#include "datadec/test_bytes.hpp"
#include "elements/decimal_text.hpp"
#include "thumbnail/create_thumbnail.hpp"
#include "thumbnail/thumbnail_image.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Record;
using testing::Text;

Bytes US(uint16_t v) {
  return {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
}

Bytes Signed16(const std::vector<int>& samples) {
  Bytes bytes;
  for (int s : samples) {
    const auto u = static_cast<uint16_t>(static_cast<int16_t>(s));
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  return bytes;
}

TagList GreyList(int rows, int columns, int bits, const Bytes& pixels, const char* center,
                 const char* width, const char* photometric = "MONOCHROME2") {
  TagList list{Record(0x0008, 0x0060, "CS", Text("CT")),
               Record(0x0028, 0x0004, "CS", Text(photometric)),
               Record(0x0028, 0x0010, "US", US(static_cast<uint16_t>(rows))),
               Record(0x0028, 0x0011, "US", US(static_cast<uint16_t>(columns))),
               Record(0x0028, 0x0100, "US", US(static_cast<uint16_t>(bits)))};
  if (center) list.push_back(Record(0x0028, 0x1050, "DS", Text(center)));
  if (width) list.push_back(Record(0x0028, 0x1051, "DS", Text(width)));
  list.push_back(Record(0x7FE0, 0x0010, bits == 8 ? "OB" : "OW", pixels));
  return list;
}

// Every pixel of the outermost rows and columns is 0.
void ExpectBlackBorder(const Raster& raster) {
  for (int y = 0; y < raster.Height(); ++y) {
    for (int x = 0; x < raster.Width(); ++x) {
      if (x != 0 && y != 0 && x != raster.Width() - 1 && y != raster.Height() - 1) continue;
      const PaletteEntry c = raster.ColourAt(x, y);
      ASSERT_EQ(c, (PaletteEntry{0, 0, 0})) << "pixel " << x << "," << y;
    }
  }
}

TEST(ThumbnailRender, SixteenBitWindow_SampleAtTheCenterMapsTo127) {
  const std::vector<int> samples(512 * 512, 40);
  TagList list = GreyList(512, 512, 16, Signed16(samples), "40", "400");
  ThumbnailImage image = ReadThumbnailImage(list);
  const auto raster = RenderThumbnail(image, 128);
  ASSERT_TRUE(raster);
  EXPECT_EQ(raster->Width(), 128);
  EXPECT_EQ(raster->Height(), 128);
  EXPECT_EQ(raster->Format(), PixelFormat::kPalette8);
  EXPECT_TRUE(raster->HasGreyPalette());
  EXPECT_EQ(raster->Row(64)[64], 127);
  EXPECT_EQ(raster->Row(1)[1], 127);
  ExpectBlackBorder(*raster);
}

TEST(ThumbnailRender, WindowMapping_TruncatesClampsAndInvertsMonochrome1) {
  // Levels 40 + 200 (top of the window), 40 - 100, and far outside on both sides.
  struct Case {
    int sample;
    int level;
    int inverted;
  };
  // (center * e + v * d) / width + 127, e = -255, d = 255 (inverted: the other way round).
  const Case cases[] = {{240, 254, 0}, {-60, 64, 190}, {3000, 255, 0}, {-3000, 0, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sample);
    const std::vector<int> samples(8 * 8, c.sample);
    for (const bool inverted : {false, true}) {
      TagList list = GreyList(8, 8, 16, Signed16(samples), "40.7", "400\\800",
                              inverted ? "MONOCHROME1 " : "MONOCHROME2 ");
      ThumbnailImage image = ReadThumbnailImage(list);
      EXPECT_EQ(image.windowCenter, 40);
      EXPECT_EQ(image.windowWidth, 400);
      EXPECT_EQ(image.inverted, inverted);
      const auto raster = RenderThumbnail(image, 8);
      ASSERT_TRUE(raster);
      EXPECT_EQ(raster->Row(3)[3], inverted ? c.inverted : c.level);
    }
  }
}

TEST(ThumbnailRender, EightBitImage_IgnoresItsStoredCenter) {
  const Bytes samples(16 * 16, 127);
  TagList list = GreyList(16, 16, 8, samples, "40", nullptr);
  ThumbnailImage image = ReadThumbnailImage(list);
  const auto raster = RenderThumbnail(image, 16);
  ASSERT_TRUE(raster);
  // Center 127, width 0 taken as 255: the sample maps to itself.
  EXPECT_EQ(raster->Row(8)[8], 127);
}

TEST(ThumbnailRender, Rescale_AppliesSlopeAndInterceptBeforeTheWindow) {
  const std::vector<int> samples(8 * 8, 1000);
  TagList list = GreyList(8, 8, 16, Signed16(samples), "0", "1000");
  list.insert(list.end() - 1, Record(0x0028, 0x1052, "DS", Text("-1024 ")));
  list.insert(list.end() - 1, Record(0x0028, 0x1053, "DS", Text("0.5 ")));
  ThumbnailImage image = ReadThumbnailImage(list);
  EXPECT_FLOAT_EQ(image.rescaleIntercept, -1024.0f);
  EXPECT_FLOAT_EQ(image.rescaleSlope, 0.5f);
  const auto raster = RenderThumbnail(image, 8);
  ASSERT_TRUE(raster);
  // 1000 x 0.5 - 1024 = -524; 255 x -524 / 1000 = -133 (truncated); + 127 = -6 -> 0.
  EXPECT_EQ(raster->Row(4)[4], 0);
  // Without a slope nothing is rescaled: 255 x 1000 / 1000 + 127 -> 255.
  list.erase(list.end() - 2);
  ThumbnailImage plain = ReadThumbnailImage(list);
  EXPECT_EQ(RenderThumbnail(plain, 8)->Row(4)[4], 255);
}

TEST(ThumbnailRender, Bilinear_WeighsTheFourNeighbours) {
  // 4 x 4 ramp along x: 0, 100, 200, 300; drawn 8 wide, so x = j / 2.
  std::vector<int> samples;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x)
      samples.push_back(100 * x + 10 * y);
  }
  TagList list = GreyList(4, 4, 16, Signed16(samples), "165 ", "1020");
  ThumbnailImage image = ReadThumbnailImage(list);
  const auto windowed = RenderThumbnail(image, 8);
  ASSERT_TRUE(windowed);
  ASSERT_EQ(windowed->Height(), 8);
  // Row 3: y = 1.5; column 3: x = 1.5: v = (110 + 210 + 120 + 220) / 4 = 165, the center.
  EXPECT_EQ(windowed->Row(3)[3], 127);
  // Row 2: y = 1; column 3: x = 1.5: v = (110 + 210) / 2 = 160; 255 x -5 / 1020 = -1 -> 126.
  EXPECT_EQ(windowed->Row(2)[3], 126);
  // x = 0 and y = 0 are outside the open range: black.
  EXPECT_EQ(windowed->Row(0)[3], 0);
  EXPECT_EQ(windowed->Row(3)[0], 0);
  // x = 2.5 < 3 is inside; x = 3 is not.
  EXPECT_NE(windowed->Row(3)[5], 0);
  EXPECT_EQ(windowed->Row(3)[6], 0);
  ExpectBlackBorder(*windowed);
}

TEST(ThumbnailRender, Rgb_NearestNeighbourFromEitherPlanarConfiguration) {
  const int rows = 6, columns = 6;
  Bytes interleaved, planar(rows * columns * 3);
  for (int n = 0; n < rows * columns; ++n) {
    const uint8_t r = static_cast<uint8_t>(n), g = static_cast<uint8_t>(100 + n),
                  b = static_cast<uint8_t>(200 + n);
    interleaved.insert(interleaved.end(), {r, g, b});
    planar[n] = r;
    planar[rows * columns + n] = g;
    planar[2 * rows * columns + n] = b;
  }
  for (const int configuration : {0, 1}) {
    SCOPED_TRACE(configuration);
    TagList list{Record(0x0028, 0x0004, "CS", Text("RGB ")),
                 Record(0x0028, 0x0006, "US", US(static_cast<uint16_t>(configuration))),
                 Record(0x0028, 0x0010, "US", US(rows)),
                 Record(0x0028, 0x0011, "US", US(columns)),
                 Record(0x0028, 0x0100, "US", US(8)),
                 Record(0x7FE0, 0x0010, "OB", configuration == 0 ? interleaved : planar)};
    ThumbnailImage image = ReadThumbnailImage(list);
    ASSERT_TRUE(image.IsRgb());
    const auto raster = RenderThumbnail(image, 12);  // scale 2
    ASSERT_TRUE(raster);
    EXPECT_EQ(raster->Format(), PixelFormat::kBgr24);
    EXPECT_EQ(raster->Height(), 12);
    // Output (j, i) = (5, 7) takes source (2, 3): n = 20.
    EXPECT_EQ(raster->ColourAt(5, 7), (PaletteEntry{20, 120, 220}));
    // Source column 0 and row 0 stay black; so does source column 5 (x >= columns - 1).
    EXPECT_EQ(raster->ColourAt(1, 7), (PaletteEntry{0, 0, 0}));
    EXPECT_EQ(raster->ColourAt(5, 1), (PaletteEntry{0, 0, 0}));
    EXPECT_EQ(raster->ColourAt(10, 7), (PaletteEntry{0, 0, 0}));
    // (9, 7) takes source (4, 3): n = 22.
    EXPECT_EQ(raster->ColourAt(9, 7), (PaletteEntry{22, 122, 222}));
    ExpectBlackBorder(*raster);
  }
}

TEST(ThumbnailImageRecord, PixelDataMustFitOneFrame) {
  const Bytes frame(4 * 4 * 2, 1);
  for (const size_t length : {32u, 33u, 34u, 31u, 64u, 0u}) {
    SCOPED_TRACE(length);
    Bytes pixels = frame;
    pixels.resize(length, 0);
    const ThumbnailImage image = ReadThumbnailImage(GreyList(4, 4, 16, pixels, "0", "0"));
    EXPECT_EQ(!image.pixels.empty(), length == 32 || length == 33);
  }
  // 12 bits packed, and 32-bit samples, are not drawn (nor read past their end).
  ThumbnailImage packed = ReadThumbnailImage(GreyList(4, 4, 12, Bytes(24, 1), "0", "0"));
  ASSERT_FALSE(packed.pixels.empty());
  ThumbnailStatus status = ThumbnailStatus::kWritten;
  EXPECT_FALSE(RenderThumbnail(packed, 8, &status));
  EXPECT_EQ(status, ThumbnailStatus::kUnsupportedImage);
  // Columns 0 and no pixel data give nothing.
  ThumbnailImage empty = ReadThumbnailImage(GreyList(4, 0, 16, {}, "0", "0"));
  EXPECT_FALSE(RenderThumbnail(empty, 8, &status));
  EXPECT_EQ(status, ThumbnailStatus::kNoPixels);
  // A width of 0 or below gives nothing either.
  ThumbnailImage fine = ReadThumbnailImage(GreyList(4, 4, 16, frame, "0", "0"));
  EXPECT_FALSE(RenderThumbnail(fine, 0, &status));
  EXPECT_EQ(status, ThumbnailStatus::kBadWidth);
  EXPECT_FALSE(RenderThumbnail(fine, 65536, &status));
  EXPECT_EQ(status, ThumbnailStatus::kBadWidth);
  // 40000 rows of 4 columns drawn 8 wide: 80000 lines, more than a JPEG frame holds.
  ThumbnailImage tall = ReadThumbnailImage(GreyList(40000, 4, 8, Bytes(160000, 1), "0", "0"));
  ASSERT_FALSE(tall.pixels.empty());
  EXPECT_FALSE(RenderThumbnail(tall, 8, &status));
  EXPECT_EQ(status, ThumbnailStatus::kBadWidth);
}

TEST(ThumbnailImageRecord, LaterElementsReplaceEarlierOnesButNotThoseInSequences) {
  TagList list = GreyList(4, 4, 8, Bytes(16, 9), "10", "20");
  // An icon image sequence of undefined length after the image's own elements.
  const TagList icon{
      testing::Undefined(0x0088, 0x0200, "SQ"),  testing::Undefined(0xFFFE, 0xE000, "DL"),
      Record(0x0028, 0x0010, "US", US(2)),       Record(0x0028, 0x0011, "US", US(2)),
      Record(0x7FE0, 0x0010, "OB", Bytes(4, 1)), Record(0xFFFE, 0xE00D, "DL", {}),
      Record(0xFFFE, 0xE0DD, "DL", {})};
  list.insert(list.end() - 1, icon.begin(), icon.end());
  list.push_back(Record(0x0028, 0x1050, "DS", Text("-7")));  // a later duplicate
  const ThumbnailImage image = ReadThumbnailImage(list);
  EXPECT_EQ(image.rows, 4);
  EXPECT_EQ(image.columns, 4);
  EXPECT_EQ(image.pixels.size(), 16u);
  EXPECT_EQ(image.windowCenter, -7);
  EXPECT_EQ(image.modality, "CT");
}

TEST(ThumbnailImageRecord, NumbersFromDecimalText) {
  EXPECT_EQ(LeadingInteger("40.5"), 40);
  EXPECT_EQ(LeadingInteger(" -100\\200"), -100);
  EXPECT_EQ(LeadingInteger("+12 "), 12);
  EXPECT_EQ(LeadingInteger(""), 0);
  EXPECT_EQ(LeadingInteger("abc"), 0);
  EXPECT_EQ(LeadingInteger("99999999999999999999"), 2147483647);
  EXPECT_EQ(LeadingInteger("-99999999999999999999"), -2147483647 - 1);
  EXPECT_FLOAT_EQ(DecimalNumber("-1024"), -1024.0f);
  EXPECT_FLOAT_EQ(DecimalNumber(" +1.5E2 "), 150.0f);
  EXPECT_FLOAT_EQ(DecimalNumber("x"), 0.0f);
}

TEST(ThumbnailFileName, ReplacesTheExtensionWithJpg) {
  EXPECT_EQ(ThumbnailFileName("out/thumb.bmp"), "out/thumb.jpg");
  EXPECT_EQ(ThumbnailFileName("thumb"), "thumb.jpg");
  EXPECT_EQ(ThumbnailFileName("a.dir/thumb"), "a.dir/thumb.jpg");
  EXPECT_EQ(ThumbnailFileName("x.tar.gz"), "x.tar.jpg");
  EXPECT_EQ(ThumbnailFileName("already.jpg"), "already.jpg");
}

}  // namespace
}  // namespace norvane
