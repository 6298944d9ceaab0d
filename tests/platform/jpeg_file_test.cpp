// JPEG files read into rasters: grey and colour pictures, and streams that are cut short,
// are no JPEG at all, or claim a size they do not have.

#include "platform/jpeg_file.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/raster_jpeg.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using Bytes = std::vector<uint8_t>;

Raster GreyRamp(int width, int height) {
  Raster raster = *Raster::Create(width, height, PixelFormat::kPalette8);
  raster.SetGreyPalette();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      raster.Row(y)[x] = static_cast<uint8_t>(x * 8 + y);
  }
  return raster;
}

Raster ColourBlocks(int width, int height) {
  Raster raster = *Raster::Create(width, height, PixelFormat::kBgr24);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = raster.Row(y).data() + 3 * x;
      p[0] = x < width / 2 ? 200 : 20;   // blue
      p[1] = 90;                         // green
      p[2] = y < height / 2 ? 220 : 30;  // red
    }
  }
  return raster;
}

// Random colour pixels: a stream whose scan is most of its bytes.
Raster Noisy(int width, int height) {
  Raster raster = *Raster::Create(width, height, PixelFormat::kBgr24);
  std::srand(3);
  for (int y = 0; y < height; ++y) {
    for (uint8_t& b : raster.Row(y))
      b = static_cast<uint8_t>(std::rand());
  }
  return raster;
}

// Position of the frame header's height field (after FFC0, length and precision).
size_t FrameSizeAt(const Bytes& stream) {
  for (size_t i = 0; i + 1 < stream.size(); ++i) {
    if (stream[i] == 0xFF && stream[i + 1] == 0xC0) return i + 5;
  }
  return 0;
}

TEST(JpegFile, GreyStreamBecomesGreyPaletteRaster) {
  const Raster original = GreyRamp(24, 16);
  const std::optional<Bytes> stream = EncodeRasterJpeg(original, 100);
  ASSERT_TRUE(stream);
  const JpegPicture picture = DecodeJpegFile(*stream);
  ASSERT_EQ(picture.status, JpegFileStatus::kOk) << Describe(picture.status);
  const Raster& raster = *picture.raster;
  EXPECT_EQ(raster.Format(), PixelFormat::kPalette8);
  EXPECT_TRUE(raster.HasGreyPalette());
  EXPECT_EQ(raster.Width(), 24);
  EXPECT_EQ(raster.Height(), 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x)
      EXPECT_NEAR(raster.Row(y)[x], original.Row(y)[x], 3) << x << "," << y;
  }
}

TEST(JpegFile, ColourStreamBecomesBgrRaster) {
  const Raster original = ColourBlocks(32, 32);
  const std::optional<Bytes> stream = EncodeRasterJpeg(original, 100);
  ASSERT_TRUE(stream);
  const JpegPicture picture = DecodeJpegFile(*stream);
  ASSERT_EQ(picture.status, JpegFileStatus::kOk) << Describe(picture.status);
  const Raster& raster = *picture.raster;
  EXPECT_EQ(raster.Format(), PixelFormat::kBgr24);
  ASSERT_EQ(raster.Width(), 32);
  ASSERT_EQ(raster.Height(), 32);
  // Away from the block edges the colours come back within a few levels.
  for (const auto& [x, y] :
       {std::pair{4, 4}, std::pair{28, 4}, std::pair{4, 28}, std::pair{28, 28}}) {
    const PaletteEntry want = original.ColourAt(x, y);
    const PaletteEntry got = raster.ColourAt(x, y);
    EXPECT_NEAR(got.red, want.red, 4) << x << "," << y;
    EXPECT_NEAR(got.green, want.green, 4) << x << "," << y;
    EXPECT_NEAR(got.blue, want.blue, 4) << x << "," << y;
  }
}

TEST(JpegFile, StreamCutShortIsRefusedNotMadeUp) {
  const Raster noisy = Noisy(64, 64);
  const std::optional<Bytes> stream = EncodeRasterJpeg(noisy, 90);
  ASSERT_TRUE(stream);
  ASSERT_GT(stream->size(), 4000u) << "the scan is most of the stream";
  for (const size_t keep : {stream->size() - 200, stream->size() / 2, size_t{20}}) {
    const Bytes cut(stream->begin(), stream->begin() + static_cast<ptrdiff_t>(keep));
    const JpegPicture picture = DecodeJpegFile(cut);
    EXPECT_EQ(picture.status, JpegFileStatus::kTruncated) << keep << " of " << stream->size();
    EXPECT_FALSE(picture.raster);
  }
}

TEST(JpegFile, BytesThatAreNoJpegAreRefused) {
  EXPECT_EQ(DecodeJpegFile(Bytes{}).status, JpegFileStatus::kNotDecodable);
  EXPECT_EQ(DecodeJpegFile(Bytes{'B', 'M', 0, 0, 0, 0}).status, JpegFileStatus::kNotDecodable);
  Bytes noise(4096);
  std::srand(7);
  for (uint8_t& b : noise)
    b = static_cast<uint8_t>(std::rand());
  noise[0] = 0xFF;
  noise[1] = 0xD8;
  EXPECT_NE(DecodeJpegFile(noise).status, JpegFileStatus::kOk);
}

TEST(JpegFile, EveryPrefixAndScrambledHeadersAreDecodedOrRefused) {
  const std::optional<Bytes> stream = EncodeRasterJpeg(Noisy(32, 32), 80);
  ASSERT_TRUE(stream);
  // Up to three quarters: the rest of the scan is missing for certain.
  for (size_t length = 0; length < stream->size() * 3 / 4; length += 7) {
    const JpegPicture picture =
        DecodeJpegFile(Bytes(stream->begin(), stream->begin() + static_cast<ptrdiff_t>(length)));
    EXPECT_NE(picture.status, JpegFileStatus::kOk) << length;
  }
  uint32_t seed = 99;
  for (int round = 0; round < 500; ++round) {
    Bytes scrambled = *stream;
    for (int c = 0; c < 3; ++c) {
      seed = seed * 1103515245u + 12345u;
      scrambled[(seed >> 16) % std::min<size_t>(scrambled.size(), 200)] =
          static_cast<uint8_t>(seed >> 8);
    }
    const JpegPicture picture = DecodeJpegFile(scrambled);
    EXPECT_EQ(picture.raster.has_value(), picture.status == JpegFileStatus::kOk);
  }
}

TEST(JpegFile, FrameHeaderClaimingAHugePictureIsRefusedBeforeAllocating) {
  std::optional<Bytes> stream = EncodeRasterJpeg(GreyRamp(16, 16), 75);
  ASSERT_TRUE(stream);
  const size_t at = FrameSizeAt(*stream);
  ASSERT_NE(at, 0u);
  (*stream)[at] = 0xFF;  // height 65280
  (*stream)[at + 1] = 0x00;
  (*stream)[at + 2] = 0xFF;  // width 65280
  (*stream)[at + 3] = 0x00;
  const JpegPicture picture = DecodeJpegFile(*stream);
  EXPECT_EQ(picture.status, JpegFileStatus::kBadSize);
  EXPECT_FALSE(picture.raster);
}

TEST(JpegFile, ReadJpegFileReadsFromDiskAndReportsMissingFiles) {
  testing::TempDir dir;
  const std::string path = dir / "grey.jpg";
  ASSERT_TRUE(WriteRasterJpeg(GreyRamp(8, 8), path, 90));
  const JpegPicture picture = ReadJpegFile(path);
  ASSERT_TRUE(picture.raster) << Describe(picture.status);
  EXPECT_EQ(picture.raster->Width(), 8);
  EXPECT_EQ(ReadJpegFile(dir / "none.jpg").status, JpegFileStatus::kCannotOpen);
}

}  // namespace
}  // namespace norvane
