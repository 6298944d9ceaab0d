// The raster type and its JPEG writer.

#include <gtest/gtest.h>

#include "convert/jpeg_codec.hpp"
#include "convert/jpeg_frame_info.hpp"
#include "convert/jpeg_test_images.hpp"
#include "platform/raster.hpp"
#include "platform/raster_jpeg.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

TEST(Raster, CreateGivesBlackRowsOfTheFormatsSize) {
  const auto grey = Raster::Create(5, 3, PixelFormat::kPalette8);
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->Stride(), 5u);
  const auto bgr = Raster::Create(5, 3, PixelFormat::kBgr24);
  ASSERT_TRUE(bgr);
  EXPECT_EQ(bgr->Stride(), 15u);
  const auto bgrx = Raster::Create(5, 3, PixelFormat::kBgrx32);
  ASSERT_TRUE(bgrx);
  EXPECT_EQ(bgrx->Stride(), 20u);
  for (const Raster* r : {&*grey, &*bgr, &*bgrx}) {
    ASSERT_EQ(r->Row(2).size(), r->Stride());
    for (int y = 0; y < r->Height(); ++y) {
      for (uint8_t b : r->Row(y))
        EXPECT_EQ(b, 0);
    }
  }
  EXPECT_FALSE(Raster::Create(0, 3, PixelFormat::kBgr24));
  EXPECT_FALSE(Raster::Create(3, -1, PixelFormat::kBgr24));
  EXPECT_FALSE(Raster::Create(65536, 65536, PixelFormat::kBgrx32));
}

TEST(Raster, ColourAtReadsPaletteAndBgrBytes) {
  auto palette = *Raster::Create(2, 2, PixelFormat::kPalette8);
  EXPECT_FALSE(palette.HasGreyPalette());
  palette.SetGreyPalette();
  EXPECT_TRUE(palette.HasGreyPalette());
  palette.Row(1)[0] = 200;
  EXPECT_EQ(palette.ColourAt(0, 1), (PaletteEntry{200, 200, 200}));
  palette.Palette()[200] = {1, 2, 3};
  EXPECT_FALSE(palette.HasGreyPalette());
  EXPECT_EQ(palette.ColourAt(0, 1), (PaletteEntry{1, 2, 3}));

  auto bgr = *Raster::Create(2, 2, PixelFormat::kBgr24);
  bgr.Row(1)[3] = 30;  // blue of pixel (1, 1)
  bgr.Row(1)[4] = 20;
  bgr.Row(1)[5] = 10;
  EXPECT_EQ(bgr.ColourAt(1, 1), (PaletteEntry{10, 20, 30}));
  auto bgrx = *Raster::Create(2, 2, PixelFormat::kBgrx32);
  bgrx.Row(0)[4] = 7;
  bgrx.Row(0)[6] = 9;
  EXPECT_EQ(bgrx.ColourAt(1, 0), (PaletteEntry{9, 0, 7}));
}

// The first luminance quantisation value (DC) of a baseline stream.
int FirstQuantisationValue(std::span<const uint8_t> stream) {
  const auto dqt = testing::FindSegment(stream, 0xDB);
  return dqt && dqt->body.size() > 1 ? dqt->body[1] : -1;
}

TEST(RasterJpeg, GreyPaletteGivesOneComponentAtTheQualityAsked) {
  auto raster = *Raster::Create(33, 17, PixelFormat::kPalette8);
  raster.SetGreyPalette();
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 33; ++x)
      raster.Row(y)[x] = static_cast<uint8_t>(x * 7 + y);
  }
  const auto stream = EncodeRasterJpeg(raster, 60);
  ASSERT_TRUE(stream);
  const auto info = ReadJpegFrameInfo(*stream);
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->baseline());
  EXPECT_EQ(info->components, 1);
  EXPECT_EQ(info->columns, 33);
  EXPECT_EQ(info->rows, 17);
  // The standard table's 16 at quality 60 (scale 80 %) is 13; at 75 it would be 8.
  EXPECT_EQ(FirstQuantisationValue(*stream), 13);
  std::vector<uint8_t> decoded(33 * 17);
  ASSERT_EQ(JpegDecode8(*stream, decoded), 0);
  std::vector<uint8_t> original;
  for (int y = 0; y < 17; ++y)
    original.insert(original.end(), raster.Row(y).begin(), raster.Row(y).end());
  EXPECT_GT(testing::Psnr8(decoded, original), 30.0);
}

TEST(RasterJpeg, ColourRasterGivesFullResolutionColour) {
  for (const PixelFormat format :
       {PixelFormat::kBgr24, PixelFormat::kBgrx32, PixelFormat::kPalette8}) {
    auto raster = *Raster::Create(16, 16, format);
    raster.Palette()[1] = {200, 30, 40};
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        uint8_t* p = raster.Row(y).data() + x * raster.BytesPerPixel();
        if (format == PixelFormat::kPalette8) {
          p[0] = 1;
        } else {
          p[0] = 40;  // blue
          p[1] = 30;
          p[2] = 200;  // red
        }
      }
    }
    const auto stream = EncodeRasterJpeg(raster, 60);
    ASSERT_TRUE(stream);
    const auto sof = testing::FindSegment(*stream, 0xC0);
    ASSERT_TRUE(sof);
    ASSERT_EQ(sof->body[5], 3);
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(sof->body[6 + 3 * c + 1], 0x11);
    std::vector<uint8_t> decoded(16 * 16 * 3);
    ASSERT_EQ(JpegDecode8(*stream, decoded), 0);
    EXPECT_NEAR(decoded[3 * 100], 200, 4);
    EXPECT_NEAR(decoded[3 * 100 + 1], 30, 4);
    EXPECT_NEAR(decoded[3 * 100 + 2], 40, 4);
  }
}

TEST(RasterJpeg, BadQualityOrUnwritableFileFails) {
  const auto raster = *Raster::Create(4, 4, PixelFormat::kBgr24);
  EXPECT_FALSE(EncodeRasterJpeg(raster, 0));
  EXPECT_FALSE(EncodeRasterJpeg(raster, 101));
  EXPECT_FALSE(EncodeRasterJpeg(Raster(), 60));
  testing::TempDir dir;
  EXPECT_FALSE(WriteRasterJpeg(raster, dir / "missing/folder/x.jpg", 60));
  EXPECT_TRUE(WriteRasterJpeg(raster, dir / "x.jpg", 60));
  EXPECT_TRUE(ReadJpegFrameInfo(testing::ReadFileBytes(dir / "x.jpg")));
}

}  // namespace
}  // namespace norvane
