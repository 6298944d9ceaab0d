// Thumbnails of RGB images that DCMTK makes uncompressed little endian from pydicom's
// samples: a colour-by-plane ultrasound (dcmconv) and a colour-by-pixel Secondary Capture
// (dcmdjpeg).

#include <gtest/gtest.h>

#include "datadec/dicom_file_reader.hpp"
#include "support/peers.hpp"
#include "thumbnail/create_thumbnail.hpp"
#include "thumbnail_test_support.hpp"

namespace norvane {
namespace {

using testing::PydicomFile;
using testing::RunProgram;

TEST(ThumbnailInterop, RgbImages_GiveColourJpegWithBlackBorder) {
  struct Case {
    const char* program;
    const char* option;
    const char* file;
    int width;
    int height;
    uint16_t planarConfiguration;
  };
  const Case cases[] = {{"dcmconv", "+te", "ExplVR_BigEnd.dcm", 100, 75, 1},
                        {"dcmdjpeg", "+cp", "SC_rgb_jpeg_dcmtk.dcm", 64, 64, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_TRUE(testing::HaveProgram(c.program));
    testing::TempDir dir;
    const std::string plain = dir / "plain.dcm";
    const auto run = RunProgram({c.program, c.option, PydicomFile(c.file), plain});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    TagList dataset;
    ASSERT_TRUE(LoadFileDataset(plain, dataset));
    ThumbnailImage image = ReadThumbnailImage(dataset);
    ASSERT_TRUE(image.IsRgb());
    ASSERT_EQ(image.planarConfiguration, c.planarConfiguration);
    const auto raster = RenderThumbnail(image, c.width);
    ASSERT_TRUE(raster);
    EXPECT_EQ(raster->Format(), PixelFormat::kBgr24);
    for (int x = 0; x < raster->Width(); ++x) {
      EXPECT_EQ(raster->ColourAt(x, 0), (PaletteEntry{0, 0, 0}));
      EXPECT_EQ(raster->ColourAt(x, raster->Height() - 1), (PaletteEntry{0, 0, 0}));
    }
    for (int y = 0; y < raster->Height(); ++y) {
      EXPECT_EQ(raster->ColourAt(0, y), (PaletteEntry{0, 0, 0}));
      EXPECT_EQ(raster->ColourAt(raster->Width() - 1, y), (PaletteEntry{0, 0, 0}));
    }

    ASSERT_EQ(CreateThumbnail(dir / "thumb.png", plain, c.width), ThumbnailStatus::kWritten);
    const auto jpeg = testing::DecodeJpegFile(dir / "thumb.jpg");
    ASSERT_TRUE(jpeg) << "not a baseline JPEG file";
    EXPECT_EQ(jpeg->info.columns, c.width);
    EXPECT_EQ(jpeg->info.rows, c.height);
    EXPECT_EQ(jpeg->info.components, 3);
    const auto [border, inside] = testing::BorderAndInsideMeans(*jpeg);
    EXPECT_LT(border, 10.0);
    EXPECT_GT(inside, 60.0);
    // The picture keeps the image's colours: compare one inside pixel with the raster.
    const int x = c.width / 2, y = c.height / 2;
    const PaletteEntry drawn = raster->ColourAt(x, y);
    EXPECT_NEAR(jpeg->At(x, y, 0), drawn.red, 40);
    EXPECT_NEAR(jpeg->At(x, y, 1), drawn.green, 40);
    EXPECT_NEAR(jpeg->At(x, y, 2), drawn.blue, 40);
  }
}

}  // namespace
}  // namespace norvane
