// Rasters written as Windows bitmap files: the bytes of the canonical layout, and the files
// read back by the reader.

#include "platform/bmp_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/bmp_file.hpp"
#include "support/bmp_builder.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::BmpBuilder;
using testing::BmpColour;
using testing::BmpSpec;
using Bytes = std::vector<uint8_t>;

Raster RasterOf(int width, PixelFormat format, const std::vector<Bytes>& rows) {
  Raster raster = *Raster::Create(width, static_cast<int>(rows.size()), format);
  for (size_t y = 0; y < rows.size(); ++y)
    std::copy(rows[y].begin(), rows[y].end(), raster.Row(static_cast<int>(y)).begin());
  return raster;
}

TEST(BmpWriter, TwentyFourBitRowsGoBottomUpPaddedToFourBytes) {
  const Raster raster =
      RasterOf(2, PixelFormat::kBgr24, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
  BmpSpec spec;
  spec.width = 2;
  spec.height = 2;
  EXPECT_EQ(EncodeBmp(raster),
            BmpBuilder::File(spec, BmpBuilder::Rows({{7, 8, 9, 10, 11, 12}, {1, 2, 3, 4, 5, 6}})));
}

TEST(BmpWriter, EightBitCarriesAllTwoHundredFiftySixColoursOfItsPalette) {
  Raster raster = RasterOf(3, PixelFormat::kPalette8, {{0, 1, 255}});
  BmpSpec spec;
  spec.width = 3;
  spec.height = 1;
  spec.bitCount = 8;
  spec.colorsUsed = 256;
  spec.palette.resize(256);
  raster.Palette()[1] = {10, 20, 30};
  spec.palette[1] = BmpColour{10, 20, 30};
  raster.Palette()[255] = {255, 0, 128};
  spec.palette[255] = BmpColour{255, 0, 128};
  EXPECT_EQ(EncodeBmp(raster), BmpBuilder::File(spec, BmpBuilder::Rows({{0, 1, 255}})));
}

TEST(BmpWriter, FilesOfEveryDepthReadBackAsWritten) {
  testing::TempDir dir;
  Raster grey = RasterOf(5, PixelFormat::kPalette8, {{0, 1, 2, 3, 4}, {250, 251, 252, 253, 254}});
  grey.SetGreyPalette();
  const std::vector<Raster> rasters = {
      grey,
      RasterOf(3, PixelFormat::kBgr24, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, Bytes(9, 0xEE)}),
      RasterOf(1, PixelFormat::kBgrx32, {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}}),
  };
  for (const Raster& raster : rasters) {
    SCOPED_TRACE(raster.BytesPerPixel());
    const std::string path = dir / "picture.bmp";
    ASSERT_TRUE(WriteBmpFile(raster, path));
    const BmpPicture picture = ReadBmpFile(path);
    ASSERT_EQ(picture.status, BmpStatus::kOk);
    EXPECT_EQ(picture.raster->Format(), raster.Format());
    ASSERT_EQ(picture.raster->Height(), raster.Height());
    for (int y = 0; y < raster.Height(); ++y) {
      EXPECT_TRUE(std::ranges::equal(picture.raster->Row(y), raster.Row(y))) << "row " << y;
    }
    EXPECT_EQ(picture.raster->Palette(), raster.Palette());
  }
  EXPECT_FALSE(WriteBmpFile(grey, dir / "no/such/folder/picture.bmp"));
  EXPECT_TRUE(EncodeBmp(Raster()).empty());
}

}  // namespace
}  // namespace norvane
