// Rasters written as PNG and read back.

#include "platform/raster_png.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/peers.hpp"

namespace norvane {
namespace {

uint32_t BigEndian32(const std::vector<uint8_t>& bytes, size_t at) {
  return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
         (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

Raster Pattern(PixelFormat format) {
  Raster raster = *Raster::Create(7, 5, format);
  if (format == PixelFormat::kPalette8) {
    for (int k = 0; k < 256; ++k)
      raster.Palette()[k] = {static_cast<uint8_t>(k), static_cast<uint8_t>(255 - k),
                             static_cast<uint8_t>(k * 3)};
  }
  for (int y = 0; y < 5; ++y) {
    for (size_t i = 0; i < raster.Stride(); ++i)
      raster.Row(y)[i] = static_cast<uint8_t>(i * 37 + y * 11);
  }
  return raster;
}

TEST(RasterPng, StreamIsAnRgbPngOfTheRastersSizeAndReadsBackAsItsColours) {
  for (const PixelFormat format :
       {PixelFormat::kBgrx32, PixelFormat::kBgr24, PixelFormat::kPalette8}) {
    SCOPED_TRACE(static_cast<int>(format));
    const Raster raster = Pattern(format);
    const std::optional<std::vector<uint8_t>> png = EncodeRasterPng(raster);
    ASSERT_TRUE(png);
    ASSERT_GT(png->size(), 33u);
    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png->begin()));
    EXPECT_EQ(std::string(png->begin() + 12, png->begin() + 16), "IHDR");
    EXPECT_EQ(BigEndian32(*png, 16), 7u);  // width
    EXPECT_EQ(BigEndian32(*png, 20), 5u);  // height
    EXPECT_EQ((*png)[24], 8);              // bits per sample
    EXPECT_EQ((*png)[25], 2);              // colour type: red, green, blue

    const std::optional<Raster> back = DecodePng(*png);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Width(), 7);
    ASSERT_EQ(back->Height(), 5);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x)
        EXPECT_EQ(back->ColourAt(x, y), raster.ColourAt(x, y)) << "pixel " << x << "," << y;
    }
  }
}

TEST(RasterPng, FileIsWrittenWholeOrNotAtAll) {
  testing::TempDir dir;
  const std::string path = dir / "chart.png";
  const Raster raster = Pattern(PixelFormat::kBgr24);
  ASSERT_TRUE(WriteRasterPng(raster, path));
  EXPECT_EQ(testing::ReadFileBytes(path), *EncodeRasterPng(raster));
  const std::optional<Raster> back = ReadPngFile(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->ColourAt(6, 4), raster.ColourAt(6, 4));

  EXPECT_FALSE(WriteRasterPng(raster, dir / "no-such-folder/chart.png"));
  EXPECT_FALSE(WriteRasterPng(Raster(), path));
  EXPECT_EQ(testing::ReadFileBytes(path), *EncodeRasterPng(raster));  // left as it was
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(RasterPng, WhatIsNotAPngIsNotRead) {
  const std::vector<uint8_t> garbage = {0x89, 'P', 'N', 'G', 1, 2, 3};
  EXPECT_FALSE(DecodePng(garbage));
  EXPECT_FALSE(DecodePng({}));
  std::vector<uint8_t> cut = *EncodeRasterPng(Pattern(PixelFormat::kBgrx32));
  cut.resize(cut.size() / 2);
  EXPECT_FALSE(DecodePng(cut));
  EXPECT_FALSE(ReadPngFile("/nonexistent/chart.png"));
}

}  // namespace
}  // namespace norvane
