// Thumbnails of pydicom's sample files: valid JPEG files of the width asked, dark borders,
// compressed images decoded first, and false for files that are neither uncompressed little
// endian nor decodable.

#include <gtest/gtest.h>

#include <filesystem>

#include "datadec/dicom_file_reader.hpp"
#include "support/peers.hpp"
#include "thumbnail/create_thumbnail.hpp"
#include "thumbnail_test_support.hpp"

namespace norvane {
namespace {

using testing::PydicomFile;

// The rendered picture of the file, before JPEG coding.
std::optional<Raster> Rendered(const std::string& file, int width) {
  TagList dataset;
  if (!LoadFileDataset(file, dataset)) return std::nullopt;
  ThumbnailImage image = ReadThumbnailImage(dataset);
  return RenderThumbnail(image, width);
}

void ExpectBlackBorder(const Raster& raster) {
  for (int y = 0; y < raster.Height(); ++y) {
    for (int x = 0; x < raster.Width(); ++x) {
      if (x != 0 && y != 0 && x != raster.Width() - 1 && y != raster.Height() - 1) continue;
      ASSERT_EQ(raster.ColourAt(x, y), (PaletteEntry{0, 0, 0})) << "pixel " << x << "," << y;
    }
  }
}

TEST(ThumbnailFile, GreySamples_GiveGreyJpegOfTheWidthAsked) {
  struct Case {
    const char* file;
    int width;
    int height;
  };
  // CT_small and MR_small_implicit are square: 128 x 128 and 64 x 64.
  for (const Case& c : {Case{"CT_small.dcm", 100, 100}, Case{"MR_small_implicit.dcm", 48, 48},
                        Case{"CT_small.dcm", 37, 37}}) {
    SCOPED_TRACE(c.file);
    testing::TempDir dir;
    const std::string out = dir / "thumb.bmp";
    ASSERT_EQ(CreateThumbnail(out, PydicomFile(c.file), c.width), ThumbnailStatus::kWritten);
    EXPECT_FALSE(std::filesystem::exists(out)) << "the .bmp name itself was written";
    const auto jpeg = testing::DecodeJpegFile(dir / "thumb.jpg");
    ASSERT_TRUE(jpeg) << "not a baseline JPEG file";
    EXPECT_EQ(jpeg->info.columns, c.width);
    EXPECT_EQ(jpeg->info.rows, c.height);
    EXPECT_EQ(jpeg->info.components, 1);
    // Lossy coding blurs the black border a little, no more.
    const auto [border, inside] = testing::BorderAndInsideMeans(*jpeg);
    EXPECT_LT(border, 8.0);
    EXPECT_GT(inside, 40.0);

    const auto raster = Rendered(PydicomFile(c.file), c.width);
    ASSERT_TRUE(raster);
    ExpectBlackBorder(*raster);
  }
}

TEST(ThumbnailFile, SmallRgbSample_GivesColourJpeg) {
  testing::TempDir dir;
  ASSERT_EQ(CreateThumbnail(dir / "rgb", PydicomFile("SC_rgb_small_odd.dcm"), 30),
            ThumbnailStatus::kWritten);
  const auto jpeg = testing::DecodeJpegFile(dir / "rgb.jpg");
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->info.columns, 30);
  EXPECT_EQ(jpeg->info.rows, 30);
  EXPECT_EQ(jpeg->info.components, 3);
}

TEST(ThumbnailFile, YbrFull422Sample_IsShownInItsRgbColours) {
  TagList dataset;
  ASSERT_TRUE(LoadFileDataset(PydicomFile("SC_ybr_full_422_uncompressed.dcm"), dataset));
  ThumbnailImage image = ReadThumbnailImage(dataset);
  ASSERT_EQ(image.pixels.size(), 100u * 100u * 2u) << "two samples per pixel at 4:2:2";
  const auto raster = RenderThumbnail(image, 50);
  ASSERT_TRUE(raster);
  EXPECT_EQ(raster->Format(), PixelFormat::kBgr24);
  // Source pixel (50, 50), as pydicom turns it into RGB.
  EXPECT_EQ(raster->ColourAt(25, 25), (PaletteEntry{125, 130, 255}));
}

// JPEG, RLE, JPEG-LS, JPEG 2000 and deflated images give the same thumbnail as their
// uncompressed counterparts, or one of the right shape where there is none.
TEST(ThumbnailFile, CompressedSamples_AreDecodedFirst) {
  struct Case {
    const char* file;
    const char* counterpart;  // empty when there is none
    int width;
    int height;
    int components;
  };
  const Case cases[] = {
      {"MR_small_RLE.dcm", "MR_small.dcm", 64, 64, 1},
      {"MR_small_jpeg_ls_lossless.dcm", "MR_small.dcm", 64, 64, 1},
      {"MR_small_jp2klossless.dcm", "MR_small.dcm", 64, 64, 1},
      {"SC_rgb_jpeg_dcmtk.dcm", "", 50, 50, 3},
      {"SC_rgb_rle.dcm", "", 50, 50, 3},
      {"JPEG2000.dcm", "", 64, 256, 1},
      {"image_dfl.dcm", "", 64, 64, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    testing::TempDir dir;
    ASSERT_EQ(CreateThumbnail(dir / "t", PydicomFile(c.file), c.width), ThumbnailStatus::kWritten);
    const auto jpeg = testing::DecodeJpegFile(dir / "t.jpg");
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->info.columns, c.width);
    EXPECT_EQ(jpeg->info.rows, c.height);
    EXPECT_EQ(jpeg->info.components, c.components);
    if (*c.counterpart == '\0') continue;
    ASSERT_EQ(CreateThumbnail(dir / "u", PydicomFile(c.counterpart), c.width),
              ThumbnailStatus::kWritten);
    EXPECT_EQ(testing::ReadFileBytes(dir / "t.jpg"), testing::ReadFileBytes(dir / "u.jpg"));
  }
}

TEST(ThumbnailFile, BigEndianUndecodedOrMissingFiles_GiveFalseAndNoFile) {
  struct Case {
    std::string file;
    ThumbnailStatus status;
  };
  const Case cases[] = {
      {PydicomFile("MR_small_bigendian.dcm"), ThumbnailStatus::kNotNativeLittleEndian},
      {PydicomFile("ExplVR_BigEnd.dcm"), ThumbnailStatus::kNotNativeLittleEndian},
      {PydicomFile("JPEG-lossy.dcm"), ThumbnailStatus::kNotNativeLittleEndian},  // extended
      {PydicomFile("rtdose.dcm"), ThumbnailStatus::kNoPixels},                   // several frames
      {PydicomFile("no_such_file.dcm"), ThumbnailStatus::kCannotRead},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    testing::TempDir dir;
    EXPECT_EQ(CreateThumbnail(dir / "t.jpg", c.file, 64), c.status);
    EXPECT_NE(CreateThumbnail(dir / "t.jpg", c.file, 64), ThumbnailStatus::kWritten);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "something was written";
  }
}

TEST(ThumbnailFile, UnwritableTarget_GivesFalse) {
  EXPECT_EQ(CreateThumbnail("/nonexistent-folder/t.jpg", PydicomFile("CT_small.dcm"), 64),
            ThumbnailStatus::kCannotWrite);
}

}  // namespace
}  // namespace norvane
