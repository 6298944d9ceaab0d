// The conversion against DCMTK: endianness conversions compared with dcmconv byte for byte,
// our JPEG lossless files decoded by dcmdjpeg to the original samples, dcmcjpeg's files
// decoded by us to dcmdjpeg's samples, and our baseline files read by dcmdjpeg.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "convert/conversion_peers.hpp"
#include "convert/convert_dataset.hpp"
#include "convert/convert_file.hpp"
#include "convert/image_lists.hpp"
#include "convert/jpeg_frame_info.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/transfer_syntax.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Describe;
using testing::Field;
using testing::ImageList;
using testing::ImagePixels;
using testing::ImageShape;
using testing::PixelCheck;
using testing::RunProgram;

constexpr const char* kImplicit = "1.2.840.10008.1.2";
constexpr const char* kExplicit = "1.2.840.10008.1.2.1";
constexpr const char* kBig = "1.2.840.10008.1.2.2";
constexpr const char* kBaseline = "1.2.840.10008.1.2.4.50";
constexpr const char* kLossless = "1.2.840.10008.1.2.4.70";

// The dataset bytes of a DICOM file: everything after the meta group.
Bytes DatasetBytes(const std::string& path) {
  const Bytes file = testing::ReadFileBytes(path);
  EXPECT_GE(file.size(), 144u) << path;
  if (file.size() < 144) return {};
  const uint32_t metaLength = LoadU32(file.data() + 140, false);
  const size_t start = 144 + metaLength;
  if (start > file.size()) return {};
  return Bytes(file.begin() + static_cast<ptrdiff_t>(start), file.end());
}

std::string FirstDifference(const Bytes& ours, const Bytes& theirs) {
  size_t at = 0;
  while (at < ours.size() && at < theirs.size() && ours[at] == theirs[at])
    ++at;
  const auto around = [&](const Bytes& b) {
    const size_t from = at < 16 ? 0 : at - 16;
    const size_t to = std::min(b.size(), at + 16);
    return testing::Hex(std::span(b).subspan(from, to - from));
  };
  return "sizes " + std::to_string(ours.size()) + " and " + std::to_string(theirs.size()) +
         ", first difference at byte " + std::to_string(at) + "\n ours:   " + around(ours) +
         "\n dcmconv: " + around(theirs);
}

class ConvertInterop : public testing::ConversionPeers {
 protected:
  void SetUp() override { Require({"dcmconv", "dcmcjpeg", "dcmdjpeg"}); }

  // dcmdjpeg's decompression of a compressed file, as native pixel data bytes.
  Bytes DcmdjpegPixels(const std::string& file) {
    const std::string plain = file + ".dcmdjpeg.dcm";
    Run({"dcmdjpeg", file, plain});
    return PixelData(plain);
  }
};

struct Sample {
  const char* file;
  const char* syntax;
};

const Sample kUncompressedSamples[] = {{"MR_small_implicit.dcm", kImplicit},
                                       {"MR_small.dcm", kExplicit},
                                       {"MR_small_bigendian.dcm", kBig},
                                       {"CT_small.dcm", kExplicit}};

struct Target {
  const char* uid;
  const char* dcmconvOption;
};

const Target kUncompressedTargets[] = {{kImplicit, "+ti"}, {kExplicit, "+te"}, {kBig, "+tb"}};

TEST_F(ConvertInterop, Dcmconv_UncompressedConversionsGiveTheSameDatasetBytes) {
  for (const Sample& sample : kUncompressedSamples) {
    const std::string source = testing::PydicomFile(sample.file);
    for (const Target& target : kUncompressedTargets) {
      SCOPED_TRACE(std::string(sample.file) + " to " + target.uid);
      const std::string reference = Path(std::string("dcmconv-") + target.dcmconvOption);
      Run({"dcmconv", target.dcmconvOption, source, reference});
      const Bytes theirs = DatasetBytes(reference);

      // File level.
      const std::string ours = Path("ours.dcm");
      ASSERT_TRUE(ConvertFileTS(ours, source, target.uid));
      const Bytes oursBytes = DatasetBytes(ours);
      EXPECT_TRUE(oursBytes == theirs) << FirstDifference(oursBytes, theirs);
      EXPECT_EQ(GetTagText(Read(ours).meta, 0x0002, 0x0010), target.uid);

      // List level: the dataset as read, converted and encoded.
      TagList dataset;
      const auto syntax = LoadFileDataset(source, dataset);
      ASSERT_TRUE(syntax);
      ASSERT_EQ(*syntax, sample.syntax);
      TagList converted;
      ASSERT_EQ(ConvertDataset(converted, dataset, target.uid, *syntax), ConvertStatus::kOk);
      const DatasetEncoding encoding = EncodingOfTransferSyntax(target.uid);
      const auto encoded = EncodeTags(converted, encoding.explicitVR, encoding.Order());
      ASSERT_TRUE(encoded);
      EXPECT_TRUE(*encoded == theirs) << FirstDifference(*encoded, theirs);
    }
  }
}

TEST_F(ConvertInterop, Dcmconv_GroupLengthsMatchUpToPixelDataWhichCoversTheRest) {
  // dcmconv +g writes a group length into every group; each of ours covers the records up
  // to the next group length, which is the same before Pixel Data. (7FE0,0000) covers
  // everything after it, the trailing padding group included, and the group length of
  // that group, after Pixel Data, is an ordinary element: copied as it was.
  const std::string source = Path("with-group-lengths.dcm");
  Run({"dcmconv", "+g", "+te", testing::PydicomFile("MR_small.dcm"), source});
  for (const Target& target : {kUncompressedTargets[0], kUncompressedTargets[2]}) {
    SCOPED_TRACE(target.uid);
    const std::string reference = Path(std::string("dcmconv-g") + target.dcmconvOption);
    Run({"dcmconv", "+g", target.dcmconvOption, source, reference});
    const std::string ours = Path("ours-g.dcm");
    ASSERT_TRUE(ConvertFileTS(ours, source, target.uid));
    const TagList mine = Read(ours).dataset;
    const TagList theirs = Read(reference).dataset;
    ASSERT_EQ(mine.size(), theirs.size()) << Describe(mine);
    const DatasetEncoding encoding = EncodingOfTransferSyntax(target.uid);
    int groupLengths = 0;
    for (size_t i = 0; i < mine.size(); ++i) {
      EXPECT_TRUE(mine[i].Is(theirs[i].group, theirs[i].element)) << Describe(mine[i]);
      if (mine[i].Is(0x7FE0, 0x0000)) {
        const TagList rest(mine.begin() + static_cast<ptrdiff_t>(i + 1), mine.end());
        const uint32_t expected = static_cast<uint32_t>(EncodedLength(rest, encoding.explicitVR));
        EXPECT_EQ(LoadU32(mine[i].value.data(), encoding.bigEndian), expected);
        EXPECT_EQ(mine[i].length, 4u);
        continue;
      }
      if (mine[i].Is(0xFFFC, 0x0000)) {
        EXPECT_EQ(LoadU32(mine[i].value.data(), encoding.bigEndian), 12u + 126u);
        continue;
      }
      if (mine[i].element == 0x0000) ++groupLengths;
      EXPECT_TRUE(testing::SameRecord(mine[i], theirs[i]))
          << "ours " << Describe(mine[i]) << "\ndcmconv " << Describe(theirs[i]);
    }
    EXPECT_GE(groupLengths, 5);
  }
}

struct ImageCase {
  const char* name;
  ImageShape shape;
};

const ImageCase kImages[] = {
    {"grey8", {8, 45, 67, 1, 1}},     {"rgb8", {8, 33, 51, 3, 1}},
    {"grey12", {12, 41, 63, 1, 1}},   {"grey16", {16, 39, 71, 1, 1}},
    {"grey8x3", {8, 25, 31, 1, 3}},   {"rgb8x2", {8, 23, 29, 3, 2}},
    {"grey12x2", {12, 27, 21, 1, 2}}, {"grey16x2", {16, 19, 37, 1, 2}},
};

TEST_F(ConvertInterop, OurLosslessFiles_DcmdjpegGivesTheOriginalPixels) {
  for (const ImageCase& image : kImages) {
    SCOPED_TRACE(image.name);
    const Bytes pixels = ImagePixels(image.shape, 21);
    const std::string plain = WriteImage(image.name, ImageList(image.shape, pixels));
    const std::string compressed = Path(std::string(image.name) + "-lossless.dcm");
    ASSERT_TRUE(ConvertFileTS(compressed, plain, kLossless));
    const DicomFileContent content = Read(compressed);
    EXPECT_EQ(GetTagText(content.meta, 0x0002, 0x0010), kLossless);

    Bytes theirs = DcmdjpegPixels(compressed);
    ASSERT_GE(theirs.size(), pixels.size());
    theirs.resize(pixels.size());
    EXPECT_TRUE(theirs == pixels) << "dcmdjpeg's samples differ from the original";

    // And our own way back, at file level.
    const std::string back = Path(std::string(image.name) + "-back.dcm");
    ASSERT_TRUE(ConvertFileTS(back, compressed, kExplicit));
    EXPECT_TRUE(DatasetBytes(back) == DatasetBytes(plain));
  }
}

TEST_F(ConvertInterop, DcmcjpegFiles_WeDecodeToDcmdjpegPixels) {
  struct Case {
    ImageCase image;
    std::vector<std::string> options;
    bool exact;  // lossless: both must give the original samples
  };
  std::vector<Case> cases;
  for (const ImageCase& image : kImages)
    cases.push_back({image, {"+e1"}, true});
  cases.push_back({{"base-grey8", {8, 45, 67, 1, 1}}, {"+eb"}, false});
  cases.push_back({{"base-grey8x2", {8, 24, 40, 1, 2}}, {"+eb"}, false});
  cases.push_back({{"base-rgb422", {8, 33, 51, 3, 1}}, {"+eb"}, false});
  cases.push_back({{"base-rgb444", {8, 33, 51, 3, 1}}, {"+eb", "+s4"}, false});
  cases.push_back({{"base-rgb-as-rgb", {8, 32, 48, 3, 1}}, {"+eb", "+cr"}, false});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image.name);
    const Bytes pixels = ImagePixels(c.image.shape, 33);
    const std::string plain = WriteImage(c.image.name, ImageList(c.image.shape, pixels));
    const std::string compressed = Path(std::string(c.image.name) + "-dcmcjpeg.dcm");
    std::vector<std::string> argv{"dcmcjpeg"};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    argv.insert(argv.end(), {plain, compressed});
    Run(argv);

    const std::string ours = Path(std::string(c.image.name) + "-ours.dcm");
    const FileConvertResult result = ConvertFileTS(ours, compressed, kExplicit);
    ASSERT_EQ(result.status, FileConvertStatus::kConverted)
        << norvane::Describe(result.status) << ": " << norvane::Describe(result.conversion);
    Bytes mine = PixelData(ours);
    Bytes theirs = DcmdjpegPixels(compressed);
    ASSERT_GE(mine.size(), pixels.size());
    ASSERT_GE(theirs.size(), pixels.size());
    mine.resize(pixels.size());
    theirs.resize(pixels.size());
    if (c.exact) {
      EXPECT_TRUE(mine == pixels);
      EXPECT_TRUE(theirs == pixels);
    } else {
      int most = 0;
      for (size_t i = 0; i < mine.size(); ++i)
        most = std::max(most, std::abs(int{mine[i]} - int{theirs[i]}));
      // Both are IJG-derived decoders; colour conversion and upsampling may round apart.
      EXPECT_LE(most, 1) << "largest difference from dcmdjpeg";
      // Lossy decoding gives RGB, whatever colour space the stream was coded in.
      const DicomFileContent content = Read(ours);
      EXPECT_EQ(GetTagText(content.dataset, 0x0028, 0x0004),
                c.image.shape.samples == 3 ? "RGB" : "MONOCHROME2");
    }
  }
}

TEST_F(ConvertInterop, OurBaselineFiles_DcmdjpegDecodesThemClose) {
  for (const ImageCase& image :
       {ImageCase{"grey8", {8, 45, 67, 1, 1}}, ImageCase{"rgb8x2", {8, 33, 51, 3, 2}}}) {
    SCOPED_TRACE(image.name);
    // A smooth image: baseline quality 75 should keep it well.
    ImageShape shape = image.shape;
    const auto ramp = testing::GradientSamples(shape.columns, shape.rows, shape.samples, 255);
    Bytes pixels;
    for (int f = 0; f < shape.frames; ++f) {
      const Bytes frame = testing::Narrow(ramp);
      pixels.insert(pixels.end(), frame.begin(), frame.end());
    }
    const std::string plain = WriteImage(image.name, ImageList(shape, pixels));
    const std::string compressed = Path(std::string(image.name) + "-baseline.dcm");
    ASSERT_TRUE(ConvertFileTS(compressed, plain, kBaseline));
    EXPECT_EQ(GetTagText(Read(compressed).meta, 0x0002, 0x0010), kBaseline);
    Bytes theirs = DcmdjpegPixels(compressed);
    ASSERT_GE(theirs.size(), pixels.size());
    theirs.resize(pixels.size());
    EXPECT_GT(testing::Psnr8(theirs, pixels), 30.0);
    const std::string back = Path(std::string(image.name) + "-back.dcm");
    ASSERT_TRUE(ConvertFileTS(back, compressed, kExplicit));
    Bytes mine = PixelData(back);
    mine.resize(pixels.size());
    int most = 0;
    for (size_t i = 0; i < mine.size(); ++i)
      most = std::max(most, std::abs(int{mine[i]} - int{theirs[i]}));
    EXPECT_LE(most, 1) << "our decoding and dcmdjpeg's differ";
  }
}

// Uncompressed YBR_FULL_422 keeps two Y samples and one Cb Cr pair per two pixels. The
// sample comes from a JPEG image and is marked lossy: the marks stay, and JPEG baseline adds
// its own step.
TEST_F(ConvertInterop, YbrFull422_PydicomReadsTheSamePixelsInEverySyntax) {
  const std::string original = testing::PydicomFile("SC_ybr_full_422_uncompressed.dcm");
  constexpr const char* kOwnMarks = "lossy=01 ratio=21.521 method=ISO_10918_1";
  const struct {
    const char* uid;
    const char* photometric;
    int largestDifference;
    const char* marks;
  } cases[] = {
      {kImplicit, "YBR_FULL_422", 0, kOwnMarks},
      {kExplicit, "YBR_FULL_422", 0, kOwnMarks},
      {kBig, "YBR_FULL_422", 0, kOwnMarks},
      {kBaseline, "RGB", 16, "lossy=01 ratio=21.521\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uid);
    const std::string converted = Path(std::string("ybr-") + c.uid + ".dcm");
    ASSERT_TRUE(ConvertFileTS(converted, original, c.uid));
    const std::string check = PixelCheck(original, converted);
    EXPECT_NE(check.find(std::string("photometric=") + c.photometric + " "), std::string::npos)
        << check;
    EXPECT_NE(check.find(c.marks), std::string::npos) << check;
    EXPECT_LE(Field(check, "max"), c.largestDifference) << check;
    EXPECT_GE(Field(check, "max"), 0) << check;
    if (std::string(c.uid) == kBaseline) {
      EXPECT_NE(check.find("method=ISO_10918_1\\ISO_10918_1"), std::string::npos) << check;
      EXPECT_LT(std::atof(check.c_str() + check.find("mean=") + 5), 3.0) << check;
      // Back to native through our decoder: the same pixels, still marked lossy, no step added.
      const std::string back = Path("ybr-back.dcm");
      ASSERT_TRUE(ConvertFileTS(back, converted, kExplicit));
      const std::string again = PixelCheck(converted, back);
      EXPECT_EQ(Field(again, "max"), 0) << again;
      const std::string ratio =
          GetTagText(Read(converted).dataset, tag::kLossyImageCompressionRatio);
      EXPECT_NE(again.find("lossy=01 ratio=" + ratio + " "), std::string::npos) << again;
    }
  }
}

TEST_F(ConvertInterop, FileFailures_ReturnFalseAndLeaveTheTargetAlone) {
  const std::string ct = testing::PydicomFile("CT_small.dcm");
  const std::string target = Path("target.dcm");
  const Bytes before{'k', 'e', 'e', 'p'};
  {
    std::FILE* f = std::fopen(target.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(before.data(), 1, before.size(), f);
    std::fclose(f);
  }
  // 16 bits cannot become baseline.
  const FileConvertResult sixteen = ConvertFileTS(target, ct, kBaseline);
  EXPECT_EQ(sixteen.status, FileConvertStatus::kNotConverted);
  EXPECT_EQ(sixteen.conversion, ConvertStatus::kBitsAllocated);
  EXPECT_TRUE(testing::ReadFileBytes(target) == before);
  // A syntax that is not supported.
  const FileConvertResult extended =
      ConvertFileTS(target, testing::PydicomFile("JPEG-lossy.dcm"), kExplicit);
  EXPECT_EQ(extended.status, FileConvertStatus::kNotConverted);
  EXPECT_EQ(extended.conversion, ConvertStatus::kUnsupportedSourceSyntax);
  EXPECT_TRUE(testing::ReadFileBytes(target) == before);
  // Not a DICOM file.
  EXPECT_FALSE(ConvertFileTS(target, target, kExplicit));
  EXPECT_FALSE(ConvertFileTS(target, Path("missing.dcm"), kExplicit));
  EXPECT_TRUE(testing::ReadFileBytes(target) == before);
  // A folder that does not exist.
  EXPECT_FALSE(ConvertFileTS(Path("no/such/folder/out.dcm"), ct, kBig));
  EXPECT_FALSE(std::filesystem::exists(Path("no")));
}

TEST_F(ConvertInterop, SameSyntax_CopiesTheFileAsItIs) {
  const std::string ct = testing::PydicomFile("CT_small.dcm");
  const std::string copy = Path("copy.dcm");
  const FileConvertResult result = ConvertFileTS(copy, ct, kExplicit);
  EXPECT_EQ(result.status, FileConvertStatus::kCopied);
  EXPECT_TRUE(testing::ReadFileBytes(copy) == testing::ReadFileBytes(ct));
  // Onto itself: nothing to do, nothing lost.
  EXPECT_TRUE(ConvertFileTS(copy, copy, kExplicit));
  EXPECT_TRUE(testing::ReadFileBytes(copy) == testing::ReadFileBytes(ct));
  // Converting in place replaces the file whole.
  ASSERT_TRUE(ConvertFileTS(copy, copy, kLossless));
  EXPECT_EQ(GetTagText(Read(copy).meta, 0x0002, 0x0010), kLossless);
  ASSERT_TRUE(ConvertFileTS(copy, copy, kExplicit));
  EXPECT_TRUE(PixelData(copy) == PixelData(ct));
}

}  // namespace
}  // namespace norvane
