// Preparing the image that is printed: DICOM images through rescale and window into grey
// bitmaps, RGB images as they are, grey conversion, the pixel bytes of the image box and
// its pixel module, and which loader a file name picks.

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "printimage/dicom_bitmap.hpp"
#include "printimage/print_image_file.hpp"
#include "printimage/print_pixel_module.hpp"
#include "elements/tags.hpp"
#include "platform/raster_jpeg.hpp"
#include "dimse/store_test_objects.hpp"
#include "support/bmp_builder.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::Padded;

struct ImageSpec {
  std::string photometric = "MONOCHROME2";
  uint16_t rows = 1;
  uint16_t columns = 1;
  uint16_t bitsAllocated = 16;
  std::string center;  // (0028,1050), left out when empty
  std::string width;
  std::string intercept;
  std::string slope;
};

TagList Image(const ImageSpec& spec, const Bytes& pixels) {
  TagList list;
  list.push_back(Padded(0x0008, 0x0016, "UI", testing::kSecondaryCapture));
  list.push_back(Padded(0x0008, 0x0018, "UI", "1.2.826.0.1.3680043.2.4821.9.1"));
  list.push_back(GenerateUSTag(0x0028, 0x0002, spec.photometric == "RGB" ? 3 : 1));
  list.push_back(Padded(0x0028, 0x0004, "CS", spec.photometric));
  list.push_back(GenerateUSTag(0x0028, 0x0010, spec.rows));
  list.push_back(GenerateUSTag(0x0028, 0x0011, spec.columns));
  list.push_back(GenerateUSTag(0x0028, 0x0100, spec.bitsAllocated));
  if (!spec.center.empty()) list.push_back(Padded(0x0028, 0x1050, "DS", spec.center));
  if (!spec.width.empty()) list.push_back(Padded(0x0028, 0x1051, "DS", spec.width));
  if (!spec.intercept.empty()) list.push_back(Padded(0x0028, 0x1052, "DS", spec.intercept));
  if (!spec.slope.empty()) list.push_back(Padded(0x0028, 0x1053, "DS", spec.slope));
  list.push_back(GenerateTag(0x7FE0, 0x0010, spec.bitsAllocated == 8 ? "OB" : "OW", pixels));
  return list;
}

Bytes Words(std::initializer_list<uint16_t> values) {
  Bytes bytes;
  for (uint16_t v : values) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(v >> 8));
  }
  return bytes;
}

// The grey levels of a one-row grey bitmap made from the data set.
Bytes GreyRow(const TagList& dataset, bool bigEndian = false) {
  Raster bitmap;
  const DicomBitmapStatus status = DicomBitmap(dataset, bitmap, bigEndian);
  EXPECT_EQ(status, DicomBitmapStatus::kDecoded) << Describe(status);
  if (status != DicomBitmapStatus::kDecoded) return {};
  EXPECT_EQ(bitmap.Format(), PixelFormat::kPalette8);
  EXPECT_TRUE(bitmap.HasGreyPalette());
  const std::span<const uint8_t> row = bitmap.Row(0);
  return Bytes(row.begin(), row.end());
}

TEST(DicomBitmap, EightBitImagesIgnoreTheirWindow) {
  ImageSpec spec;
  spec.columns = 3;
  spec.bitsAllocated = 8;
  spec.center = "40";
  spec.width = "400";
  EXPECT_EQ(GreyRow(Image(spec, {0, 127, 255, 0})), (Bytes{0, 127, 255}));
}

TEST(DicomBitmap, SixteenBitCtGoesThroughRescaleAndWindowThenClamps) {
  ImageSpec spec;
  spec.columns = 4;
  spec.center = "40";
  spec.width = "400";
  spec.intercept = "-1024";
  spec.slope = "1";
  // v = 40 -> 127; v = 240 -> 254; v = 276 -> 277 held at 255; v = -1024 -> below 0.
  EXPECT_EQ(GreyRow(Image(spec, Words({1064, 1264, 1300, 0}))), (Bytes{127, 254, 255, 0}));
}

TEST(DicomBitmap, WindowDefaultsAndLeadingIntegers) {
  ImageSpec none;
  none.columns = 3;
  EXPECT_EQ(GreyRow(Image(none, Words({0, 127, 300}))), (Bytes{0, 127, 255}))
      << "no window: center 127, width 255";

  ImageSpec zeroWidth = none;
  zeroWidth.center = "0";
  zeroWidth.width = "0";
  EXPECT_EQ(GreyRow(Image(zeroWidth, Words({10, 0, 60}))), (Bytes{152, 127, 255}))
      << "width 0 counts as 100";

  ImageSpec multi = none;
  multi.center = "40.5\\-100";
  multi.width = "400\\1000";
  EXPECT_EQ(GreyRow(Image(multi, Words({40, 240, 0}))), (Bytes{127, 254, 102}))
      << "first value, integer part";
}

TEST(DicomBitmap, SlopeZeroCountsAsOneAndOtherSlopesScale) {
  ImageSpec spec;
  spec.columns = 2;
  spec.slope = "0";
  EXPECT_EQ(GreyRow(Image(spec, Words({100, 200}))), (Bytes{100, 200}));
  spec.slope = "2";
  spec.intercept = "-10";
  EXPECT_EQ(GreyRow(Image(spec, Words({50, 100}))), (Bytes{90, 190}));
}

TEST(DicomBitmap, BrightSamplesBeyondSixteenSignedBitsStayBright) {
  ImageSpec spec;
  spec.columns = 3;
  // Unsigned samples above 32767 are held at the top of the signed range, never wrapped to
  // negative values that would print black.
  EXPECT_EQ(GreyRow(Image(spec, Words({32768, 65535, 40000}))), (Bytes{255, 255, 255}));
  spec.columns = 1;
  spec.intercept = "-70000";
  EXPECT_EQ(GreyRow(Image(spec, Words({0}))), (Bytes{0}));
}

TEST(DicomBitmap, BigEndianSamplesWhenAsked) {
  ImageSpec spec;
  spec.columns = 1;
  spec.center = "40";
  spec.width = "400";
  spec.intercept = "-1024";
  EXPECT_EQ(GreyRow(Image(spec, {0x04, 0x28}), true), (Bytes{127}));  // 0x0428 = 1064
}

TEST(DicomBitmap, RgbImagesBecomeColourBitmaps) {
  ImageSpec spec;
  spec.photometric = "RGB";
  spec.columns = 2;
  spec.rows = 2;
  spec.bitsAllocated = 8;
  const Bytes pixels{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
  Raster bitmap;
  ASSERT_EQ(DicomBitmap(Image(spec, pixels), bitmap, false), DicomBitmapStatus::kDecoded);
  EXPECT_EQ(bitmap.Format(), PixelFormat::kBgr24);
  EXPECT_EQ(bitmap.ColourAt(0, 0), (PaletteEntry{10, 20, 30}));
  EXPECT_EQ(bitmap.ColourAt(1, 0), (PaletteEntry{40, 50, 60}));
  EXPECT_EQ(bitmap.ColourAt(0, 1), (PaletteEntry{70, 80, 90}));
  EXPECT_EQ(bitmap.ColourAt(1, 1), (PaletteEntry{100, 110, 120}));
}

TEST(DicomBitmap, YbrImagesBecomeTheColourBitmapsTheyStandFor) {
  // Y Y Cb Cr per two pixels: a red pair, then a blue one.
  ImageSpec spec;
  spec.photometric = "YBR_FULL_422";
  spec.columns = 2;
  spec.rows = 2;
  spec.bitsAllocated = 8;
  Raster bitmap;
  ASSERT_EQ(DicomBitmap(Image(spec, {76, 76, 85, 255, 29, 29, 255, 107}), bitmap, false),
            DicomBitmapStatus::kDecoded);
  EXPECT_EQ(bitmap.Format(), PixelFormat::kBgr24);
  EXPECT_EQ(bitmap.ColourAt(1, 0), (PaletteEntry{254, 0, 0}));
  EXPECT_EQ(bitmap.ColourAt(0, 1), (PaletteEntry{0, 0, 254}));
  spec.photometric = "YBR_PARTIAL_420";
  EXPECT_EQ(DicomBitmap(Image(spec, Bytes(6)), bitmap, false),
            DicomBitmapStatus::kUnsupportedColour);
  // pydicom's sample: its colours at (0, 0) and (50, 50) as pydicom turns them into RGB.
  ASSERT_EQ(
      LoadDicomBitmap(testing::PydicomFile("SC_ybr_full_422_uncompressed.dcm"), bitmap, false),
      DicomBitmapStatus::kDecoded);
  EXPECT_EQ(bitmap.ColourAt(0, 0), (PaletteEntry{254, 0, 0}));
  EXPECT_EQ(bitmap.ColourAt(50, 50), (PaletteEntry{125, 130, 255}));
}

TEST(DicomBitmap, PixelDataShorterThanTheImageIsRefusedAndTheBitmapKept) {
  Raster bitmap = *Raster::Create(5, 5, PixelFormat::kBgr24);
  ImageSpec spec;
  spec.rows = 4;
  spec.columns = 4;
  EXPECT_EQ(DicomBitmap(Image(spec, Bytes(31, 0)), bitmap, false),
            DicomBitmapStatus::kShortPixelData);
  EXPECT_EQ(bitmap.Width(), 5) << "left as it was";
  // 12 bits allocated: samples are read 16 bits wide, so 1.5 bytes per pixel are too few.
  spec.bitsAllocated = 12;
  EXPECT_EQ(DicomBitmap(Image(spec, Bytes(24, 0)), bitmap, false),
            DicomBitmapStatus::kShortPixelData);
  EXPECT_EQ(DicomBitmap(Image(spec, Bytes(32, 0)), bitmap, false), DicomBitmapStatus::kDecoded);
  ImageSpec rgb;
  rgb.photometric = "RGB";
  rgb.rows = 2;
  rgb.columns = 2;
  rgb.bitsAllocated = 8;
  EXPECT_EQ(DicomBitmap(Image(rgb, Bytes(11, 0)), bitmap, false),
            DicomBitmapStatus::kShortPixelData);
  ImageSpec eight;
  eight.bitsAllocated = 8;
  eight.rows = 300;
  eight.columns = 300;
  EXPECT_EQ(DicomBitmap(Image(eight, Bytes(2, 0)), bitmap, false),
            DicomBitmapStatus::kShortPixelData);
}

TEST(DicomBitmap, AnySizeAgainstAnyPixelLengthDecodesOrIsRefusedWithinTheValue) {
  Raster bitmap;
  for (const char* photometric : {"MONOCHROME2", "RGB"}) {
    for (uint16_t bits : {0, 1, 8, 12, 16, 32}) {
      for (uint16_t rows : {1, 3, 7}) {
        for (uint16_t columns : {1, 2, 5}) {
          const size_t pixels = size_t{rows} * columns;
          for (size_t length : {size_t{0}, size_t{1}, pixels, 2 * pixels - 1, 2 * pixels,
                                3 * pixels - 1, 3 * pixels, 4 * pixels}) {
            ImageSpec spec;
            spec.photometric = photometric;
            spec.rows = rows;
            spec.columns = columns;
            spec.bitsAllocated = bits;
            const DicomBitmapStatus status =
                DicomBitmap(Image(spec, Bytes(length, 0xAB)), bitmap, bits == 32);
            if (status == DicomBitmapStatus::kDecoded) {
              EXPECT_EQ(bitmap.Width(), columns);
              EXPECT_EQ(bitmap.Height(), rows);
            } else {
              EXPECT_EQ(status, DicomBitmapStatus::kShortPixelData)
                  << photometric << " " << bits << " bits " << rows << "x" << columns << " "
                  << length;
            }
          }
        }
      }
    }
  }
}

TEST(DicomBitmap, ImagesWithoutPixelsOrSizeAreRefused) {
  Raster bitmap;
  ImageSpec spec;
  TagList noPixels = Image(spec, Words({1}));
  noPixels.pop_back();
  EXPECT_EQ(DicomBitmap(noPixels, bitmap, false), DicomBitmapStatus::kNoImage);
  spec.rows = 0;
  EXPECT_EQ(DicomBitmap(Image(spec, Words({1})), bitmap, false), DicomBitmapStatus::kNoImage);
}

TEST(DicomBitmap, IconImageInsideASequenceIsNotTakenForTheImage) {
  ImageSpec spec;
  spec.rows = 2;
  spec.columns = 2;
  spec.bitsAllocated = 8;
  TagList dataset = Image(spec, {1, 2, 3, 4});
  TagRecord pixels = dataset.back();
  dataset.pop_back();
  TagRecord sequence;
  sequence.group = 0x0088;
  sequence.element = 0x0200;
  sequence.SetVR("SQ");
  sequence.length = kUndefinedLength;
  TagRecord item;
  item.group = kItemGroup;
  item.element = tag::kItem.element;
  item.length = kUndefinedLength;
  TagRecord itemEnd;
  itemEnd.group = kItemGroup;
  itemEnd.element = tag::kItemDelimitationItem.element;
  TagRecord sequenceEnd;
  sequenceEnd.group = kItemGroup;
  sequenceEnd.element = tag::kSequenceDelimitationItem.element;
  dataset.push_back(sequence);
  dataset.push_back(item);
  dataset.push_back(GenerateUSTag(0x0028, 0x0010, 1));
  dataset.push_back(GenerateUSTag(0x0028, 0x0011, 1));
  dataset.push_back(GenerateTag(0x7FE0, 0x0010, "OB", Bytes{9, 0}));
  dataset.push_back(itemEnd);
  dataset.push_back(sequenceEnd);
  dataset.push_back(pixels);
  Raster bitmap;
  ASSERT_EQ(DicomBitmap(dataset, bitmap, false), DicomBitmapStatus::kDecoded);
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.Row(1)[1], 4);
}

TEST(LoadDicomBitmap, UncompressedLittleEndianAndDecodableFilesOnly) {
  Raster bitmap;
  ASSERT_EQ(LoadDicomBitmap(testing::PydicomFile("CT_small.dcm"), bitmap, false),
            DicomBitmapStatus::kDecoded);
  EXPECT_EQ(bitmap.Width(), 128);
  EXPECT_EQ(bitmap.Height(), 128);
  EXPECT_EQ(bitmap.Format(), PixelFormat::kPalette8);
  EXPECT_EQ(LoadDicomBitmap(testing::PydicomFile("MR_small_implicit.dcm"), bitmap, false),
            DicomBitmapStatus::kDecoded);
  EXPECT_EQ(bitmap.Width(), 64);
  ASSERT_EQ(LoadDicomBitmap(testing::PydicomFile("SC_rgb_jpeg_gdcm.dcm"), bitmap, false),
            DicomBitmapStatus::kDecoded);
  EXPECT_EQ(bitmap.Format(), PixelFormat::kBgr24);
  // Compressed files give the bitmap of their uncompressed counterpart.
  Raster plain;
  ASSERT_EQ(LoadDicomBitmap(testing::PydicomFile("MR_small.dcm"), plain, false),
            DicomBitmapStatus::kDecoded);
  for (const char* file :
       {"MR_small_RLE.dcm", "MR_small_jpeg_ls_lossless.dcm", "MR_small_jp2klossless.dcm"}) {
    SCOPED_TRACE(file);
    ASSERT_EQ(LoadDicomBitmap(testing::PydicomFile(file), bitmap, false),
              DicomBitmapStatus::kDecoded);
    ASSERT_EQ(bitmap.Height(), plain.Height());
    for (int r = 0; r < plain.Height(); ++r) {
      ASSERT_TRUE(std::ranges::equal(bitmap.Row(r), plain.Row(r))) << "row " << r;
    }
  }
  EXPECT_EQ(LoadDicomBitmap(testing::PydicomFile("JPEG-lossy.dcm"), bitmap, false),
            DicomBitmapStatus::kNotUncompressed);
  EXPECT_EQ(LoadDicomBitmap(testing::PydicomFile("MR_small_bigendian.dcm"), bitmap, false),
            DicomBitmapStatus::kNotUncompressed);
  EXPECT_EQ(LoadDicomBitmap("/nonexistent/file.dcm", bitmap, false),
            DicomBitmapStatus::kCannotRead);
  ASSERT_EQ(LoadDicomBitmap(testing::PydicomFile("SC_rgb_small_odd.dcm"), bitmap, false),
            DicomBitmapStatus::kDecoded);
  EXPECT_EQ(bitmap.Format(), PixelFormat::kBgr24);
  EXPECT_EQ(bitmap.Width(), 3);
}

TEST(LoadDicomBitmap, ImplicitFileWrittenHereDecodesLikeItsDataset) {
  testing::TempDir dir;
  ImageSpec spec;
  spec.columns = 2;
  spec.center = "100";
  spec.width = "200";
  const TagList dataset = Image(spec, Words({100, 200}));
  ASSERT_TRUE(testing::WriteObject(dir / "implicit.dcm", dataset, testing::kImplicitTS));
  Raster bitmap;
  ASSERT_EQ(LoadDicomBitmap(dir / "implicit.dcm", bitmap, false), DicomBitmapStatus::kDecoded);
  EXPECT_EQ(bitmap.Row(0)[0], 127);
  EXPECT_EQ(bitmap.Row(0)[1], 254);
}

TEST(ConvertToGray, AveragesBlueGreenRedAndIgnoresTheFourthByte) {
  Raster bgr = *Raster::Create(2, 1, PixelFormat::kBgr24);
  const uint8_t pixels[] = {10, 20, 30, 255, 255, 254};
  std::copy(std::begin(pixels), std::end(pixels), bgr.Row(0).begin());
  ConvertToGray(bgr);
  EXPECT_EQ(bgr.Format(), PixelFormat::kPalette8);
  EXPECT_TRUE(bgr.HasGreyPalette());
  EXPECT_EQ(bgr.Row(0)[0], 20);
  EXPECT_EQ(bgr.Row(0)[1], 254);

  Raster bgrx = *Raster::Create(1, 2, PixelFormat::kBgrx32);
  bgrx.Row(1)[0] = 3;
  bgrx.Row(1)[1] = 3;
  bgrx.Row(1)[2] = 3;
  bgrx.Row(1)[3] = 255;
  ConvertToGray(bgrx);
  EXPECT_EQ(bgrx.Width(), 1);
  EXPECT_EQ(bgrx.Height(), 2);
  EXPECT_EQ(bgrx.Row(1)[0], 3);

  Raster palette = *Raster::Create(1, 1, PixelFormat::kPalette8);
  palette.Palette()[7] = {90, 0, 0};
  palette.Row(0)[0] = 7;
  ConvertToGray(palette);
  EXPECT_TRUE(palette.HasGreyPalette());
  EXPECT_EQ(palette.Row(0)[0], 30);
}

TEST(BitmapToPixelData, ColourPlanarAndInterleaved) {
  Raster bitmap = *Raster::Create(2, 2, PixelFormat::kBgrx32);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      uint8_t* p = bitmap.Row(y).data() + 4 * x;
      const uint8_t i = static_cast<uint8_t>(y * 2 + x + 1);
      p[0] = static_cast<uint8_t>(0x30 + i);  // blue
      p[1] = static_cast<uint8_t>(0x20 + i);  // green
      p[2] = static_cast<uint8_t>(0x10 + i);  // red
      p[3] = 0xEE;
    }
  }
  Bytes buffer(PixelDataSize(bitmap));
  ASSERT_EQ(buffer.size(), 12u);
  ASSERT_TRUE(BitmapToPixelData(bitmap, buffer, 1));
  EXPECT_EQ(buffer,
            (Bytes{0x11, 0x12, 0x13, 0x14, 0x21, 0x22, 0x23, 0x24, 0x31, 0x32, 0x33, 0x34}));
  ASSERT_TRUE(BitmapToPixelData(bitmap, buffer, 0));
  EXPECT_EQ(buffer,
            (Bytes{0x11, 0x21, 0x31, 0x12, 0x22, 0x32, 0x13, 0x23, 0x33, 0x14, 0x24, 0x34}));
  ASSERT_TRUE(BitmapToPixelData(bitmap, buffer, 2)) << "any planar value but 1 interleaves";
  EXPECT_EQ(buffer[1], 0x21);
  Bytes wrong(11);
  EXPECT_FALSE(BitmapToPixelData(bitmap, wrong, 0));
}

TEST(BitmapToPixelData, PaletteBitmapsAreMappedToGrey) {
  Raster bitmap = *Raster::Create(3, 1, PixelFormat::kPalette8);
  bitmap.SetGreyPalette();
  bitmap.Palette()[200] = {30, 60, 90};
  bitmap.Row(0)[0] = 5;
  bitmap.Row(0)[1] = 200;
  bitmap.Row(0)[2] = 255;
  Bytes buffer(PixelDataSize(bitmap));
  ASSERT_EQ(buffer.size(), 3u);
  ASSERT_TRUE(BitmapToPixelData(bitmap, buffer, 1));
  EXPECT_EQ(buffer, (Bytes{5, 60, 255}));
}

TEST(AddImagePixelModule, GreyThreeByThreeIsPaddedToTenBytes) {
  Raster bitmap = *Raster::Create(3, 3, PixelFormat::kPalette8);
  bitmap.SetGreyPalette();
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x)
      bitmap.Row(y)[x] = static_cast<uint8_t>(10 * y + x);
  }
  TagList elements;
  elements.push_back(GenerateUSTag(0x2020, 0x0010, 1));
  ASSERT_TRUE(AddImagePixelModule(bitmap, elements, 1));
  struct Want {
    uint16_t group, element;
    const char* vr;
    Bytes value;
  };
  const std::vector<Want> want = {
      {0x2020, 0x0010, "US", {1, 0}},
      {0x0028, 0x0002, "US", {1, 0}},
      {0x0028, 0x0004, "CS", Bytes{'M', 'O', 'N', 'O', 'C', 'H', 'R', 'O', 'M', 'E', '2', ' '}},
      {0x0028, 0x0010, "US", {3, 0}},
      {0x0028, 0x0011, "US", {3, 0}},
      {0x0028, 0x0100, "US", {8, 0}},
      {0x0028, 0x0101, "US", {8, 0}},
      {0x0028, 0x0102, "US", {7, 0}},
      {0x0028, 0x0103, "US", {0, 0}},
      {0x7FE0, 0x0010, "OB", {0, 1, 2, 10, 11, 12, 20, 21, 22, 0}},
  };
  ASSERT_EQ(elements.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(elements[i].group, want[i].group) << i;
    EXPECT_EQ(elements[i].element, want[i].element) << i;
    EXPECT_EQ(elements[i].VRText(), want[i].vr) << i;
    EXPECT_EQ(elements[i].length, want[i].value.size()) << i;
    EXPECT_EQ(elements[i].value, want[i].value) << i;
  }
}

TEST(AddImagePixelModule, ColourSendsRgbThreeSamplesAndThePlanarArgument) {
  Raster bitmap = *Raster::Create(2, 2, PixelFormat::kBgr24);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      uint8_t* p = bitmap.Row(y).data() + 3 * x;
      p[0] = 3;
      p[1] = 2;
      p[2] = 1;
    }
  }
  for (int planar : {0, 1}) {
    TagList elements;
    ASSERT_TRUE(AddImagePixelModule(bitmap, elements, planar));
    ASSERT_EQ(elements.size(), 10u);
    EXPECT_EQ(GetTagUS(elements, 0x0028, 0x0002), 3);
    EXPECT_EQ(FindTag(elements, 0x0028, 0x0004)->value, (Bytes{'R', 'G', 'B', ' '}));
    EXPECT_TRUE(elements[2].Is(0x0028, 0x0006));
    EXPECT_EQ(GetTagUS(elements, 0x0028, 0x0006), planar);
    EXPECT_EQ(GetTagUS(elements, 0x0028, 0x0010), 2);
    const Bytes want = planar == 1 ? Bytes{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}
                                   : Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3};
    EXPECT_EQ(FindTag(elements, 0x7FE0, 0x0010)->value, want) << planar;
  }
}

TEST(AddImagePixelModule, BitmapsWiderThanRowsAndColumnsCanSayAreRefused) {
  Raster wide = *Raster::Create(65536, 1, PixelFormat::kPalette8);
  TagList elements;
  EXPECT_FALSE(AddImagePixelModule(wide, elements, 0));
  EXPECT_TRUE(elements.empty());
  EXPECT_FALSE(AddImagePixelModule(Raster(), elements, 0));
}

TEST(PrintImageFile, TheExtensionsFirstFourCharactersPickTheLoader) {
  EXPECT_EQ(KindOfPrintFile("a.jpg"), PrintFileKind::kJpeg);
  EXPECT_EQ(KindOfPrintFile("/x/y/A.JPG"), PrintFileKind::kJpeg);
  EXPECT_EQ(KindOfPrintFile("a.jpgx"), PrintFileKind::kJpeg);
  EXPECT_EQ(KindOfPrintFile("a.bmp"), PrintFileKind::kBitmap);
  EXPECT_EQ(KindOfPrintFile("a.BMP"), PrintFileKind::kBitmap);
  EXPECT_EQ(KindOfPrintFile("a.jpeg"), PrintFileKind::kDicom);
  EXPECT_EQ(KindOfPrintFile("a.Jpg"), PrintFileKind::kDicom);
  EXPECT_EQ(KindOfPrintFile("a.dcm"), PrintFileKind::kDicom);
  EXPECT_EQ(KindOfPrintFile("noextension"), PrintFileKind::kDicom);
  EXPECT_EQ(KindOfPrintFile("folder.jpg/image"), PrintFileKind::kDicom);
}

TEST(PrintImageFile, LoadsEachKindAndSaysWhyNot) {
  testing::TempDir dir;
  Raster grey = *Raster::Create(4, 4, PixelFormat::kPalette8);
  grey.SetGreyPalette();
  ASSERT_TRUE(WriteRasterJpeg(grey, dir / "grey.jpg", 90));
  Raster bitmap;
  PrintImageLoad load = LoadPrintImage(dir / "grey.jpg", bitmap);
  EXPECT_TRUE(load.loaded) << load.failure;
  EXPECT_EQ(load.kind, PrintFileKind::kJpeg);
  EXPECT_EQ(bitmap.Width(), 4);

  // The same JPEG bytes under ".jpeg" go to the DICOM reader, which refuses them.
  std::filesystem::copy_file(dir / "grey.jpg", dir / "grey.jpeg");
  load = LoadPrintImage(dir / "grey.jpeg", bitmap);
  EXPECT_FALSE(load.loaded);
  EXPECT_EQ(load.kind, PrintFileKind::kDicom);

  testing::BmpSpec spec;
  spec.width = 3;
  spec.height = 1;
  const Bytes file =
      testing::BmpBuilder::File(spec, testing::BmpBuilder::Rows({{1, 2, 3, 4, 5, 6, 7, 8, 9}}));
  std::ofstream(dir / "c.BMP", std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  load = LoadPrintImage(dir / "c.BMP", bitmap);
  EXPECT_TRUE(load.loaded) << load.failure;
  EXPECT_EQ(load.kind, PrintFileKind::kBitmap);
  EXPECT_EQ(bitmap.Width(), 3);

  std::ofstream(dir / "bad.bmp", std::ios::binary) << "BM";
  load = LoadPrintImage(dir / "bad.bmp", bitmap);
  EXPECT_FALSE(load.loaded);
  EXPECT_EQ(load.failure, "not a bitmap file");
  EXPECT_EQ(bitmap.Width(), 3) << "a failed load leaves the bitmap";
}

}  // namespace
}  // namespace norvane
