// Windows bitmap files read into rasters: every pixel layout the reader knows, row order,
// colour tables, and files that lie about their size.

#include "platform/bmp_file.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <vector>

#include "support/bmp_builder.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::BmpBuilder;
using testing::BmpColour;
using testing::BmpSpec;
using Bytes = std::vector<uint8_t>;

Bytes RowBytes(const Raster& raster, int y) {
  const std::span<const uint8_t> row = raster.Row(y);
  return Bytes(row.begin(), row.end());
}

BmpPicture Decode(const BmpSpec& spec, const Bytes& pixels) {
  return DecodeBmp(BmpBuilder::File(spec, pixels));
}

TEST(BmpFile, TwentyFourBitBottomUpRowsArriveTopFirst) {
  BmpSpec spec;
  spec.width = 2;
  spec.height = 2;
  const Bytes pixels = BmpBuilder::Rows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
  const BmpPicture picture = Decode(spec, pixels);
  ASSERT_EQ(picture.status, BmpStatus::kOk);
  ASSERT_TRUE(picture.raster);
  EXPECT_EQ(picture.bitCount, 24);
  EXPECT_EQ(picture.raster->Format(), PixelFormat::kBgr24);
  EXPECT_EQ(RowBytes(*picture.raster, 0), (Bytes{7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(RowBytes(*picture.raster, 1), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(picture.raster->ColourAt(0, 0), (PaletteEntry{9, 8, 7}));
}

TEST(BmpFile, NegativeHeightMeansRowsStoredTopFirst) {
  BmpSpec spec;
  spec.width = 2;
  spec.height = -2;
  const Bytes pixels = BmpBuilder::Rows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
  const BmpPicture picture = Decode(spec, pixels);
  ASSERT_TRUE(picture.raster);
  EXPECT_EQ(picture.raster->Height(), 2);
  EXPECT_EQ(RowBytes(*picture.raster, 0), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(RowBytes(*picture.raster, 1), (Bytes{7, 8, 9, 10, 11, 12}));
}

TEST(BmpFile, EightBitKeepsIndicesAndTheFilesColourTable) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.bitCount = 8;
  spec.colorsUsed = 3;
  spec.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  const BmpPicture picture = Decode(spec, BmpBuilder::Rows({{0, 1, 5}, {2, 2, 1}}));
  ASSERT_TRUE(picture.raster);
  const Raster& raster = *picture.raster;
  EXPECT_EQ(raster.Format(), PixelFormat::kPalette8);
  EXPECT_EQ(RowBytes(raster, 0), (Bytes{2, 2, 1}));
  EXPECT_EQ(RowBytes(raster, 1), (Bytes{0, 1, 5}));
  EXPECT_EQ(raster.Palette()[0], (PaletteEntry{255, 0, 0}));
  EXPECT_EQ(raster.Palette()[2], (PaletteEntry{0, 0, 255}));
  // An index past the table is black, never a read beyond it.
  EXPECT_EQ(raster.ColourAt(2, 1), (PaletteEntry{0, 0, 0}));
}

TEST(BmpFile, CoreHeaderEightBitReadsThreeByteColourEntries) {
  BmpSpec spec;
  spec.headerSize = 12;
  spec.width = 2;
  spec.height = 1;
  spec.bitCount = 8;
  spec.palette = {{10, 20, 30}, {40, 50, 60}};
  const BmpPicture picture = Decode(spec, BmpBuilder::Rows({{1, 0}}));
  ASSERT_TRUE(picture.raster) << Describe(picture.status);
  EXPECT_EQ(picture.raster->ColourAt(0, 0), (PaletteEntry{40, 50, 60}));
  EXPECT_EQ(picture.raster->ColourAt(1, 0), (PaletteEntry{10, 20, 30}));
  // The table ends where the rows begin: entries it lacks stay black.
  EXPECT_EQ(picture.raster->Palette()[2], (PaletteEntry{0, 0, 0}));
}

TEST(BmpFile, FourBitIsExpandedThroughItsColourTable) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = 1;
  spec.bitCount = 4;
  for (int i = 0; i < 16; ++i) {
    spec.palette.push_back(
        {static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i)});
  }
  const BmpPicture picture = Decode(spec, BmpBuilder::Rows({{0x1F, 0x30}}));
  ASSERT_TRUE(picture.raster);
  const Raster& raster = *picture.raster;
  EXPECT_EQ(picture.bitCount, 4);
  EXPECT_EQ(raster.Format(), PixelFormat::kBgr24);
  EXPECT_EQ(raster.ColourAt(0, 0), (PaletteEntry{16, 254, 1}));
  EXPECT_EQ(raster.ColourAt(1, 0), (PaletteEntry{240, 240, 15}));
  EXPECT_EQ(raster.ColourAt(2, 0), (PaletteEntry{48, 252, 3}));
}

TEST(BmpFile, OneBitRowsCrossByteBoundaries) {
  BmpSpec spec;
  spec.width = 9;
  spec.height = -2;
  spec.bitCount = 1;
  spec.palette = {{0, 0, 0}, {255, 255, 255}};
  const BmpPicture picture = Decode(spec, BmpBuilder::Rows({{0xAA, 0x80}, {0x55, 0x00}}));
  ASSERT_TRUE(picture.raster);
  const Raster& raster = *picture.raster;
  const PaletteEntry white{255, 255, 255};
  const PaletteEntry black{0, 0, 0};
  EXPECT_EQ(raster.ColourAt(0, 0), white);
  EXPECT_EQ(raster.ColourAt(1, 0), black);
  EXPECT_EQ(raster.ColourAt(8, 0), white);
  EXPECT_EQ(raster.ColourAt(0, 1), black);
  EXPECT_EQ(raster.ColourAt(1, 1), white);
  EXPECT_EQ(raster.ColourAt(8, 1), black);
}

TEST(BmpFile, ThirtyTwoBitKeepsBgrxBytes) {
  BmpSpec spec;
  spec.width = 2;
  spec.height = 1;
  spec.bitCount = 32;
  const BmpPicture picture = Decode(spec, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(picture.raster);
  EXPECT_EQ(picture.raster->Format(), PixelFormat::kBgrx32);
  EXPECT_EQ(RowBytes(*picture.raster, 0), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(BmpFile, SixteenBitWithoutMasksIsFiveFiveFive) {
  BmpSpec spec;
  spec.width = 4;
  spec.height = 1;
  spec.bitCount = 16;
  const BmpPicture picture = Decode(spec, Bytes{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42});
  ASSERT_TRUE(picture.raster);
  const Raster& raster = *picture.raster;
  EXPECT_EQ(raster.Format(), PixelFormat::kBgr24);
  EXPECT_EQ(raster.ColourAt(0, 0), (PaletteEntry{255, 0, 0}));
  EXPECT_EQ(raster.ColourAt(1, 0), (PaletteEntry{0, 255, 0}));
  EXPECT_EQ(raster.ColourAt(2, 0), (PaletteEntry{0, 0, 255}));
  EXPECT_EQ(raster.ColourAt(3, 0), (PaletteEntry{131, 131, 131}));  // 16 * 255 / 31
}

TEST(BmpFile, BitFieldsAfterInfoHeaderAndInsideV5HeaderGiveTheSamePixels) {
  const Bytes pixels{0xE0, 0x07, 0x20, 0x00, 0x00, 0xF8, 0x00, 0x00};
  BmpSpec spec;
  spec.width = 4;
  spec.height = 1;
  spec.bitCount = 16;
  spec.compression = 3;
  spec.masks = {0xF800, 0x07E0, 0x001F};
  for (uint32_t headerSize : {40u, 124u}) {
    spec.headerSize = headerSize;
    const BmpPicture picture = Decode(spec, pixels);
    ASSERT_TRUE(picture.raster) << headerSize << ": " << Describe(picture.status);
    const Raster& raster = *picture.raster;
    EXPECT_EQ(raster.ColourAt(0, 0), (PaletteEntry{0, 255, 0})) << headerSize;
    EXPECT_EQ(raster.ColourAt(1, 0), (PaletteEntry{0, 4, 0})) << headerSize;  // 1 * 255 / 63
    EXPECT_EQ(raster.ColourAt(2, 0), (PaletteEntry{255, 0, 0})) << headerSize;
    EXPECT_EQ(raster.ColourAt(3, 0), (PaletteEntry{0, 0, 0})) << headerSize;
  }
}

TEST(BmpFile, ThirtyTwoBitFieldsInAnotherOrderAreRearrangedToBgrx) {
  BmpSpec spec;
  spec.width = 1;
  spec.height = 1;
  spec.bitCount = 32;
  spec.compression = 3;
  spec.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
  const BmpPicture picture = Decode(spec, Bytes{10, 20, 30, 99});
  ASSERT_TRUE(picture.raster);
  EXPECT_EQ(picture.raster->Format(), PixelFormat::kBgrx32);
  EXPECT_EQ(picture.raster->ColourAt(0, 0), (PaletteEntry{10, 20, 30}));
}

TEST(BmpFile, RunLengthEightDecodesRunsLiteralsDeltasAndLineEnds) {
  BmpSpec spec;
  spec.width = 4;
  spec.height = 3;
  spec.bitCount = 8;
  spec.compression = 1;
  spec.palette = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
  const Bytes codes{
      0x03, 0x01, 0x01, 0x02, 0x00, 0x00,              // bottom row: 1 1 1 2
      0x00, 0x03, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00,  // literal 2 0 1 (padded), line end
      0x00, 0x02, 0x02, 0x00, 0x02, 0x01, 0x00, 0x01,  // skip 2, run 1 1, end of bitmap
  };
  const BmpPicture picture = Decode(spec, codes);
  ASSERT_TRUE(picture.raster) << Describe(picture.status);
  EXPECT_EQ(picture.raster->Format(), PixelFormat::kPalette8);
  EXPECT_EQ(RowBytes(*picture.raster, 0), (Bytes{0, 0, 1, 1}));
  EXPECT_EQ(RowBytes(*picture.raster, 1), (Bytes{2, 0, 1, 0}));
  EXPECT_EQ(RowBytes(*picture.raster, 2), (Bytes{1, 1, 1, 2}));
}

TEST(BmpFile, RunLengthFourAlternatesNibblesAndExpandsToColour) {
  BmpSpec spec;
  spec.width = 5;
  spec.height = 1;
  spec.bitCount = 4;
  spec.compression = 2;
  spec.palette = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {0, 0, 100}};
  const Bytes codes{0x02, 0x12, 0x00, 0x03, 0x31, 0x20, 0x00, 0x01};
  const BmpPicture picture = Decode(spec, codes);
  ASSERT_TRUE(picture.raster) << Describe(picture.status);
  const Raster& raster = *picture.raster;
  EXPECT_EQ(raster.Format(), PixelFormat::kBgr24);
  EXPECT_EQ(raster.ColourAt(0, 0), (PaletteEntry{100, 0, 0}));
  EXPECT_EQ(raster.ColourAt(1, 0), (PaletteEntry{0, 100, 0}));
  EXPECT_EQ(raster.ColourAt(2, 0), (PaletteEntry{0, 0, 100}));
  EXPECT_EQ(raster.ColourAt(3, 0), (PaletteEntry{100, 0, 0}));
  EXPECT_EQ(raster.ColourAt(4, 0), (PaletteEntry{0, 100, 0}));
}

TEST(BmpFile, RunLengthRunsAndDeltasPastTheEdgeAreCut) {
  BmpSpec spec;
  spec.width = 4;
  spec.height = 1;
  spec.bitCount = 8;
  spec.compression = 1;
  const BmpPicture runs = Decode(spec, Bytes{0xFF, 0x01, 0x00, 0x02, 0xFF, 0xFF, 0x00, 0x01});
  ASSERT_TRUE(runs.raster) << Describe(runs.status);
  EXPECT_EQ(RowBytes(*runs.raster, 0), (Bytes{1, 1, 1, 1}));
}

TEST(BmpFile, RunLengthStreamsThatEndEarlyAreRefused) {
  BmpSpec spec;
  spec.width = 4;
  spec.height = 2;
  spec.bitCount = 8;
  spec.compression = 1;
  // A literal of 5 pixels with 2 of them present.
  EXPECT_EQ(Decode(spec, Bytes{0x00, 0x05, 0x01, 0x02}).status, BmpStatus::kTruncated);
  // One row of two and no end of bitmap.
  EXPECT_EQ(Decode(spec, Bytes{0x04, 0x01, 0x00, 0x00}).status, BmpStatus::kTruncated);
  // A delta without its two bytes.
  EXPECT_EQ(Decode(spec, Bytes{0x00, 0x02, 0x01}).status, BmpStatus::kTruncated);
  // Rows that end with line ends need no end of bitmap.
  EXPECT_EQ(Decode(spec, Bytes{0x04, 0x01, 0x00, 0x00, 0x04, 0x02, 0x00, 0x00}).status,
            BmpStatus::kOk);
}

TEST(BmpFile, RunLengthPictureFarLargerThanItsCodesIsRefusedBeforeAllocating) {
  BmpSpec spec;
  spec.width = 8000;
  spec.height = 8000;
  spec.bitCount = 8;
  spec.compression = 1;
  EXPECT_EQ(Decode(spec, Bytes{0x00, 0x01}).status, BmpStatus::kBadSize);
  // A mostly empty picture of a million pixels is still read.
  spec.width = 1000;
  spec.height = 1000;
  const BmpPicture empty = Decode(spec, Bytes{0x02, 0x05, 0x00, 0x01});
  ASSERT_EQ(empty.status, BmpStatus::kOk);
  EXPECT_EQ(empty.raster->Row(999)[1], 5);
  EXPECT_EQ(empty.raster->Row(0)[0], 0);
}

TEST(BmpFile, LastRowWithoutItsPaddingIsAcceptedButNoByteLess) {
  BmpSpec spec;
  spec.width = 1;
  spec.height = 2;
  Bytes pixels = BmpBuilder::Rows({{1, 2, 3}, {4, 5, 6}});
  pixels.pop_back();  // the last row's pad byte
  EXPECT_EQ(Decode(spec, pixels).status, BmpStatus::kOk);
  pixels.pop_back();
  EXPECT_EQ(Decode(spec, pixels).status, BmpStatus::kTruncated);
}

TEST(BmpFile, HeadersThatLieAreRefusedWithoutReadingOrAllocatingPastTheFile) {
  BmpSpec spec;
  spec.width = 2;
  spec.height = 2;
  const Bytes good =
      BmpBuilder::File(spec, BmpBuilder::Rows({{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}}));
  ASSERT_EQ(DecodeBmp(good).status, BmpStatus::kOk);

  EXPECT_EQ(DecodeBmp(Bytes{}).status, BmpStatus::kNotABitmap);
  EXPECT_EQ(DecodeBmp(Bytes(good.begin(), good.begin() + 17)).status, BmpStatus::kNotABitmap);
  Bytes wrongMagic = good;
  wrongMagic[1] = 'X';
  EXPECT_EQ(DecodeBmp(wrongMagic).status, BmpStatus::kNotABitmap);
  Bytes headerPastEnd = good;
  headerPastEnd[14] = 124;
  EXPECT_EQ(DecodeBmp(headerPastEnd).status, BmpStatus::kNotABitmap);
  Bytes os2v2 = good;
  os2v2[14] = 64;  // the OS/2 2.x header
  EXPECT_EQ(DecodeBmp(os2v2).status, BmpStatus::kUnsupportedFormat);
  Bytes offsetPastEnd = good;
  offsetPastEnd[10] = 0xF0;
  offsetPastEnd[11] = 0xFF;
  EXPECT_EQ(DecodeBmp(offsetPastEnd).status, BmpStatus::kTruncated);
  const Bytes rowsCut(good.begin(), good.end() - 4);
  EXPECT_EQ(DecodeBmp(rowsCut).status, BmpStatus::kTruncated);

  BmpSpec size = spec;
  size.width = 0;
  EXPECT_EQ(Decode(size, {}).status, BmpStatus::kBadSize);
  size.width = 2;
  size.height = 0;
  EXPECT_EQ(Decode(size, {}).status, BmpStatus::kBadSize);
  size.height = INT32_MIN;
  EXPECT_EQ(Decode(size, {}).status, BmpStatus::kBadSize);
  size.width = 100000;
  size.height = 100000;
  EXPECT_EQ(Decode(size, Bytes(8, 0)).status, BmpStatus::kBadSize);
  // Large enough to pass the size limit, but the file holds none of its rows.
  size.width = 8000;
  size.height = -8000;
  size.bitCount = 8;
  EXPECT_EQ(Decode(size, Bytes(8, 0)).status, BmpStatus::kTruncated);
}

TEST(BmpFile, LayoutsTheReaderDoesNotKnowAreRefused) {
  BmpSpec spec;
  spec.width = 1;
  spec.height = 1;
  spec.compression = 4;  // JPEG inside a bitmap
  EXPECT_EQ(Decode(spec, Bytes(4, 0)).status, BmpStatus::kUnsupportedFormat);
  spec.compression = 0;
  spec.bitCount = 2;
  EXPECT_EQ(Decode(spec, Bytes(4, 0)).status, BmpStatus::kUnsupportedFormat);
  spec.bitCount = 4;
  spec.compression = 1;  // RLE8 with 4 bits per pixel
  EXPECT_EQ(Decode(spec, Bytes(4, 0)).status, BmpStatus::kUnsupportedFormat);
  spec.bitCount = 16;
  spec.compression = 3;
  Bytes noMasks = BmpBuilder::File(spec, {});
  EXPECT_EQ(DecodeBmp(noMasks).status, BmpStatus::kNotABitmap);
}

TEST(BmpFile, AColourTableLongerThanTheFileIsCutToIt) {
  BmpSpec spec;
  spec.width = 1;
  spec.height = 1;
  spec.bitCount = 8;
  spec.colorsUsed = 0xFFFFFFFF;
  spec.palette = {{7, 8, 9}};
  const BmpPicture picture = Decode(spec, BmpBuilder::Rows({{0}}));
  ASSERT_TRUE(picture.raster) << Describe(picture.status);
  EXPECT_EQ(picture.raster->ColourAt(0, 0), (PaletteEntry{7, 8, 9}));
}

// Every prefix of a file, and files with header and table bytes changed at random, decode
// or are refused; run under the address sanitizer this shows no read outside the file.
TEST(BmpFile, CutAndScrambledFilesAreDecodedOrRefusedWithinTheirBytes) {
  std::vector<Bytes> files;
  BmpSpec plain;
  plain.width = 5;
  plain.height = 3;
  files.push_back(BmpBuilder::File(plain, Bytes(48, 7)));
  BmpSpec palette = plain;
  palette.bitCount = 8;
  palette.palette = {{1, 2, 3}, {4, 5, 6}};
  files.push_back(BmpBuilder::File(palette, Bytes(24, 1)));
  BmpSpec rle = palette;
  rle.compression = 1;
  files.push_back(BmpBuilder::File(rle, Bytes{0x05, 0x01, 0x00, 0x00, 0x00, 0x03, 1, 0, 1, 0, 0x00,
                                              0x02, 0x01, 0x01, 0x00, 0x01}));
  BmpSpec fields = plain;
  fields.bitCount = 16;
  fields.compression = 3;
  fields.masks = {0xF800, 0x07E0, 0x001F};
  files.push_back(BmpBuilder::File(fields, Bytes(36, 0x55)));
  BmpSpec core = palette;
  core.headerSize = 12;
  files.push_back(BmpBuilder::File(core, Bytes(24, 1)));

  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  for (const Bytes& file : files) {
    ASSERT_EQ(DecodeBmp(file).status, BmpStatus::kOk);
    for (size_t length = 0; length < file.size(); ++length) {
      const BmpPicture picture = DecodeBmp(Bytes(file.begin(), file.begin() + length));
      EXPECT_EQ(picture.raster.has_value(), picture.status == BmpStatus::kOk) << length;
    }
    for (int round = 0; round < 2000; ++round) {
      Bytes scrambled = file;
      const size_t changes = 1 + next() % 4;
      for (size_t c = 0; c < changes; ++c) {
        const size_t at = next() % std::min<size_t>(scrambled.size(), 80);
        scrambled[at] = static_cast<uint8_t>(next());
      }
      const BmpPicture picture = DecodeBmp(scrambled);
      EXPECT_EQ(picture.raster.has_value(), picture.status == BmpStatus::kOk);
    }
  }
}

TEST(BmpFile, ReadBmpFileReadsFromDiskAndReportsMissingFiles) {
  testing::TempDir dir;
  BmpSpec spec;
  spec.width = 1;
  spec.height = 1;
  const Bytes file = BmpBuilder::File(spec, BmpBuilder::Rows({{1, 2, 3}}));
  std::ofstream(dir / "one.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  const BmpPicture picture = ReadBmpFile(dir / "one.bmp");
  ASSERT_TRUE(picture.raster);
  EXPECT_EQ(picture.raster->ColourAt(0, 0), (PaletteEntry{3, 2, 1}));
  EXPECT_EQ(ReadBmpFile(dir / "none.bmp").status, BmpStatus::kCannotOpen);
}

}  // namespace
}  // namespace norvane
