// RLE, JPEG-LS, JPEG 2000 and deflated files against other readers and writers: pydicom's
// sample files decode to the pixels of their uncompressed counterparts (or of pydicom with
// GDCM); our RLE and JPEG-LS files decode exactly with dcmdrle and dcmdjpls and theirs with
// us; our JPEG 2000 files decode with pydicom and GDCM, exactly when lossless.

#include <gtest/gtest.h>

#include <cstdlib>

#include "convert/conversion_peers.hpp"
#include "convert/convert_file.hpp"
#include "convert/image_lists.hpp"
#include "convert/syntax_uids.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::ImageList;
using testing::ImagePixels;
using testing::ImageShape;
using namespace testing::uids;

class CodecInterop : public testing::ConversionPeers {
 protected:
  void SetUp() override { Require({"dcmcrle", "dcmdrle", "dcmcjpls", "dcmdjpls"}); }

  // A file's pixels as pydicom reads them after our decoding to explicit VR little endian.
  Bytes OurPixels(const std::string& file, const std::string& name) {
    const std::string native = Path(name + ".ours.dcm");
    const FileConvertResult result = ConvertFileTS(native, file, kExplicit);
    EXPECT_TRUE(result.Ok()) << file << ": " << norvane::Describe(result.conversion);
    return PydicomPixels(native);
  }

  std::string Syntax(const std::string& file) {
    return GetTagText(Read(file).meta, tag::kTransferSyntaxUID);
  }
};

// One table: each of pydicom's compressed and deflated samples against its uncompressed
// counterpart, or against pydicom with GDCM where there is none. (pydicom only reads our
// uncompressed output and the counterparts, every frame colour-by-pixel.)
TEST_F(CodecInterop, PydicomSamples_DecodeToTheirUncompressedPixels) {
  const struct {
    const char* file;
    const char* counterpart;  // empty: pydicom and GDCM decode the file
  } cases[] = {
      {"MR_small_RLE.dcm", "MR_small.dcm"},
      {"MR_small_jpeg_ls_lossless.dcm", "MR_small.dcm"},
      {"MR_small_jp2klossless.dcm", "MR_small.dcm"},
      {"SC_rgb_rle.dcm", ""},
      {"SC_rgb_rle_2frame.dcm", ""},
      {"SC_rgb_rle_16bit.dcm", ""},
      {"SC_rgb_rle_16bit_2frame.dcm", ""},
      {"SC_rgb_rle_32bit.dcm", ""},
      {"SC_rgb_rle_32bit_2frame.dcm", ""},
      {"rtdose_rle.dcm", "rtdose.dcm"},
      {"rtdose_rle_1frame.dcm", "rtdose_1frame.dcm"},
      {"JPEG2000.dcm", ""},
      {"image_dfl.dcm", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string file = testing::PydicomFile(c.file);
    const Bytes ours = OurPixels(file, c.file);
    const Bytes reference =
        PydicomPixels(*c.counterpart == '\0' ? file : testing::PydicomFile(c.counterpart));
    ASSERT_FALSE(reference.empty());
    EXPECT_TRUE(ours == reference) << "sizes " << ours.size() << " and " << reference.size();
  }
}

struct ImageCase {
  const char* name;
  ImageShape shape;
};

const ImageCase kImages[] = {
    {"grey8", {8, 45, 67, 1, 1}},     {"rgb8x2", {8, 23, 29, 3, 2}}, {"grey12", {12, 41, 63, 1, 1}},
    {"grey16x2", {16, 19, 37, 1, 2}}, {"rgb16", {16, 17, 13, 3, 1}},
};

// Our lossless files through DCMTK's decoder and DCMTK's files through ours, both ways
// giving back the original samples.
TEST_F(CodecInterop, RleAndJpegLs_DcmtkAndWeDecodeEachOthersFilesExactly) {
  const struct {
    const char* syntax;
    const char* encoder;
    const char* decoder;
  } codecs[] = {{kRle, "dcmcrle", "dcmdrle"}, {kJpegLs, "dcmcjpls", "dcmdjpls"}};
  for (const auto& codec : codecs) {
    for (const ImageCase& image : kImages) {
      SCOPED_TRACE(std::string(codec.syntax) + " " + image.name);
      const Bytes pixels = ImagePixels(image.shape, 41);
      const std::string name = std::string(image.name) + "-" + codec.decoder;
      const std::string plain = WriteImage(name, ImageList(image.shape, pixels));

      const std::string ours = Path(name + "-ours.dcm");
      ASSERT_TRUE(ConvertFileTS(ours, plain, codec.syntax));
      ASSERT_EQ(Syntax(ours), codec.syntax);
      const std::string theirDecoding = Path(name + "-decoded.dcm");
      Run({codec.decoder, ours, theirDecoding});
      EXPECT_TRUE(PydicomPixels(theirDecoding) == pixels) << codec.decoder << " differs";

      const std::string theirs = Path(name + "-theirs.dcm");
      Run({codec.encoder, plain, theirs});
      ASSERT_EQ(Syntax(theirs), codec.syntax);
      EXPECT_TRUE(OurPixels(theirs, name) == pixels) << "our decoding differs";
    }
  }
}

// JPEG 2000 has no DCMTK codec here: pydicom with GDCM decodes our lossless files exactly;
// near-lossless JPEG-LS (NEAR 2) stays within 2 in DCMTK's decoder and in ours.
TEST_F(CodecInterop, Jpeg2000LosslessAndNearLossless_OthersDecodeOurFilesWithinTheirBounds) {
  for (const ImageCase& image : kImages) {
    SCOPED_TRACE(image.name);
    const Bytes pixels = ImagePixels(image.shape, 43);
    const std::string plain = WriteImage(image.name, ImageList(image.shape, pixels));
    const std::string lossless = Path(std::string(image.name) + "-j2k-lossless.dcm");
    ASSERT_TRUE(ConvertFileTS(lossless, plain, kJ2kLossless));
    EXPECT_TRUE(PydicomPixels(lossless) == pixels) << "pydicom with GDCM differs";

    const std::string near = Path(std::string(image.name) + "-near.dcm");
    ASSERT_TRUE(ConvertFileTS(near, plain, kJpegLsNear));
    const std::string theirDecoding = Path(std::string(image.name) + "-near-dcmdjpls.dcm");
    Run({"dcmdjpls", near, theirDecoding});
    const int bytes = image.shape.BitsAllocated() / 8;
    for (const Bytes& decoded :
         {PydicomPixels(theirDecoding), OurPixels(near, std::string(image.name) + "-near")}) {
      ASSERT_EQ(decoded.size(), pixels.size());
      int most = 0;
      for (size_t i = 0; i < pixels.size(); i += bytes) {
        const int a = bytes == 1 ? decoded[i] : decoded[i] | (decoded[i + 1] << 8);
        const int b = bytes == 1 ? pixels[i] : pixels[i] | (pixels[i + 1] << 8);
        most = std::max(most, std::abs(a - b));
      }
      EXPECT_LE(most, 2);
    }
  }
}

// Lossy JPEG 2000 at the default 10:1 on pydicom's CT, MR, 8-bit grey and RGB samples: above
// 50 dB PSNR (peak 2^Bits Stored - 1) as pydicom with GDCM decodes it, marked lossy with its
// ratio and method, and decoded by us within 1 of GDCM.
TEST_F(CodecInterop, LossyJpeg2000_StaysAboveItsPsnrAndIsMarked) {
  for (const char* sample : {"CT_small.dcm", "MR_small.dcm", "image_dfl.dcm", "SC_rgb_rle.dcm"}) {
    SCOPED_TRACE(sample);
    const std::string original = testing::PydicomFile(sample);
    const std::string lossy = Path(std::string(sample) + "-j2k.dcm");
    ASSERT_TRUE(ConvertFileTS(lossy, original, kJ2k));
    const std::string check = testing::PixelCheck(original, lossy);
    EXPECT_GT(std::atof(check.c_str() + check.find("psnr=") + 5), 50.0) << check;
    EXPECT_NE(check.find("lossy=01 ratio="), std::string::npos) << check;
    EXPECT_NE(check.find("method=ISO_15444_1"), std::string::npos) << check;
    const std::string back = Path(std::string(sample) + "-j2k-back.dcm");
    ASSERT_TRUE(ConvertFileTS(back, lossy, kExplicit));
    const std::string ours = testing::PixelCheck(lossy, back);
    EXPECT_LE(testing::Field(ours, "max"), 1) << ours;
    EXPECT_GE(testing::Field(ours, "max"), 0) << ours;
  }
}

}  // namespace
}  // namespace norvane
