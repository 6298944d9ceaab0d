// RLE, JPEG-LS and JPEG 2000 through the conversion: lossless round trips for every sample
// layout, the loss near-lossless and lossy coding may make and how it is recorded, and the
// RLE segment format byte for byte.

#include <gtest/gtest.h>

#include <cstdlib>

#include "convert/convert_dataset.hpp"
#include "convert/image_lists.hpp"
#include "convert/rle_codec.hpp"
#include "convert/syntax_uids.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Fragments;
using testing::ImageList;
using testing::ImagePixels;
using testing::ImageShape;
using testing::PixelDataIndex;
using namespace testing::uids;

void SetUS(TagList& list, Tag tag, uint16_t value) {
  TagRecord& record = *FindTag(list, tag);
  record.value = testing::US(value);
}

// 32-bit samples (RLE only): the 16-bit image's list with 4 bytes per sample.
TagList ThirtyTwoBit(const ImageShape& shape, unsigned seed, Bytes& pixels) {
  pixels =
      ImagePixels(ImageShape{16, shape.rows, shape.columns * 2, shape.samples, shape.frames}, seed);
  TagList list = ImageList(shape, pixels);
  for (const Tag tag : {tag::kBitsAllocated, tag::kBitsStored})
    SetUS(list, tag, 32);
  SetUS(list, tag::kHighBit, 31);
  return list;
}

// Signed samples of `bits` stored bits, sign-extended to 16 as DICOM holds them.
TagList Signed(const ImageShape& shape, unsigned seed, Bytes& pixels) {
  pixels = ImagePixels(shape, seed);
  const int shift = 16 - shape.bits;
  for (size_t i = 0; i + 1 < pixels.size(); i += 2) {
    const auto raw = static_cast<int16_t>((pixels[i] | (pixels[i + 1] << 8)) << shift);
    const auto value = static_cast<uint16_t>(raw >> shift);
    pixels[i] = static_cast<uint8_t>(value);
    pixels[i + 1] = static_cast<uint8_t>(value >> 8);
  }
  TagList list = ImageList(shape, pixels);
  SetUS(list, tag::kPixelRepresentation, 1);
  return list;
}

struct LosslessCase {
  const char* name;
  const char* syntax;
  ImageShape shape;
  // kHighBits: a sample carries bits above Bits Stored that are no sign extension.
  enum Kind { kUnsigned, kSigned, k32Bit, kHighBits } kind = kUnsigned;
};

class LosslessCodecs : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessCodecs, RoundTripGivesTheSamplesBackAndOneFragmentPerFrame) {
  const LosslessCase& c = GetParam();
  Bytes pixels;
  if (c.kind == LosslessCase::kUnsigned || c.kind == LosslessCase::kHighBits) {
    pixels = ImagePixels(c.shape, 7);
    if (c.kind == LosslessCase::kHighBits) pixels[1] |= 0xF0;
  }
  const TagList plain = c.kind == LosslessCase::k32Bit    ? ThirtyTwoBit(c.shape, 7, pixels)
                        : c.kind == LosslessCase::kSigned ? Signed(c.shape, 7, pixels)
                                                          : ImageList(c.shape, pixels);
  TagList compressed;
  ASSERT_EQ(ConvertDataset(compressed, plain, c.syntax, kExplicit), ConvertStatus::kOk);
  EXPECT_EQ(Fragments(compressed).size(), static_cast<size_t>(c.shape.frames));
  EXPECT_EQ(FindTag(compressed, tag::kLossyImageCompression), nullptr);

  TagList back;
  ASSERT_EQ(ConvertDataset(back, compressed, kExplicit, c.syntax), ConvertStatus::kOk);
  Bytes decoded = back[PixelDataIndex(back)].value;
  decoded.resize(pixels.size());
  EXPECT_TRUE(decoded == pixels) << "the samples changed";
  EXPECT_EQ(GetTagText(back, tag::kPhotometricInterpretation),
            GetTagText(plain, tag::kPhotometricInterpretation));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LosslessCodecs,
    ::testing::Values(
        LosslessCase{"Rle8RgbTwoFrames", kRle, {8, 29, 41, 3, 2}},
        LosslessCase{"Rle16Grey", kRle, {16, 31, 43, 1, 1}},
        LosslessCase{"Rle16RgbTwoFrames", kRle, {16, 9, 11, 3, 2}},
        LosslessCase{"Rle32Grey", kRle, {16, 7, 5, 1, 3}, LosslessCase::k32Bit},
        LosslessCase{"Rle32Rgb", kRle, {16, 6, 4, 3, 1}, LosslessCase::k32Bit},
        LosslessCase{"Rle8OneColumn", kRle, {8, 5, 1, 1, 1}},
        LosslessCase{"JpegLs8RgbTwoFrames", kJpegLs, {8, 29, 41, 3, 2}},
        LosslessCase{"JpegLs12Grey", kJpegLs, {12, 33, 47, 1, 1}},
        LosslessCase{"JpegLs16Grey", kJpegLs, {16, 31, 43, 1, 1}},
        LosslessCase{"JpegLs16Rgb", kJpegLs, {16, 9, 11, 3, 1}},
        LosslessCase{"JpegLsSigned12", kJpegLs, {12, 21, 19, 1, 1}, LosslessCase::kSigned},
        LosslessCase{"JpegLsSigned16", kJpegLs, {16, 21, 19, 1, 2}, LosslessCase::kSigned},
        LosslessCase{"JpegLs1x1", kJpegLs, {8, 1, 1, 1, 1}},
        LosslessCase{"JpegLsHighBits", kJpegLs, {12, 8, 8, 1, 1}, LosslessCase::kHighBits},
        LosslessCase{"J2k8RgbTwoFrames", kJ2kLossless, {8, 29, 41, 3, 2}},
        LosslessCase{"J2k12Grey", kJ2kLossless, {12, 33, 47, 1, 1}},
        LosslessCase{"J2k16Grey", kJ2kLossless, {16, 31, 43, 1, 1}},
        LosslessCase{"J2kSigned12", kJ2kLossless, {12, 21, 19, 1, 1}, LosslessCase::kSigned},
        LosslessCase{"J2kSigned16", kJ2kLossless, {16, 21, 19, 1, 2}, LosslessCase::kSigned},
        LosslessCase{"J2k1x1", kJ2kLossless, {8, 1, 1, 1, 1}},
        LosslessCase{"J2k1Row", kJ2kLossless, {16, 1, 9, 3, 1}},
        LosslessCase{"J2kHighBits", kJ2kLossless, {12, 8, 8, 1, 1}, LosslessCase::kHighBits}),
    [](const auto& info) { return std::string(info.param.name); });

// Lossy coding is recorded as a lossy step with its ratio and method, and coding the
// decoded image again adds no second step; near-lossless JPEG-LS stays within its NEAR, and
// with NEAR 0 loses and records nothing. (PSNR of lossy JPEG 2000: codec_interop_test.)
TEST(CodecConversion, LossyCodingIsRecordedOnceAndNearStaysWithinItsBound) {
  const ImageShape shape{12, 48, 64, 1, 1};
  const Bytes pixels = ImagePixels(shape, 9);
  const TagList plain = ImageList(shape, pixels);
  for (const auto& [syntax, method] :
       {std::pair{kJpegLsNear, "ISO_14495_1"}, std::pair{kJ2k, "ISO_15444_1"}}) {
    SCOPED_TRACE(syntax);
    TagList compressed, back, again;
    ASSERT_EQ(ConvertDataset(compressed, plain, syntax, kExplicit,
                             CodingOptions{.jpegLsNear = 3, .jpeg2000Ratio = 10}),
              ConvertStatus::kOk);
    EXPECT_EQ(GetTagText(compressed, tag::kLossyImageCompression), "01");
    EXPECT_EQ(GetTagText(compressed, tag::kLossyImageCompressionMethod), method);
    EXPECT_GT(std::atof(GetTagText(compressed, tag::kLossyImageCompressionRatio).c_str()), 1.5);
    ASSERT_EQ(ConvertDataset(back, compressed, kExplicit, syntax), ConvertStatus::kOk);
    ASSERT_EQ(ConvertDataset(again, back, kJ2kLossless, kExplicit), ConvertStatus::kOk);
    EXPECT_EQ(GetTagText(again, tag::kLossyImageCompressionMethod), method);
    if (std::string_view(syntax) != kJpegLsNear) continue;
    const Bytes& decoded = back[PixelDataIndex(back)].value;
    int most = 0;
    for (size_t i = 0; i + 1 < pixels.size(); i += 2) {
      most = std::max(most, std::abs((decoded[i] | (decoded[i + 1] << 8)) -
                                     (pixels[i] | (pixels[i + 1] << 8))));
    }
    EXPECT_LE(most, 3);
  }
  TagList exact, back;
  ASSERT_EQ(ConvertDataset(exact, plain, kJpegLsNear, kExplicit, CodingOptions{.jpegLsNear = 0}),
            ConvertStatus::kOk);
  EXPECT_EQ(FindTag(exact, tag::kLossyImageCompression), nullptr);
  ASSERT_EQ(ConvertDataset(back, exact, kExplicit, kJpegLsNear), ConvertStatus::kOk);
  EXPECT_TRUE(back[PixelDataIndex(back)].value == pixels);
}

FrameShape Shape(uint32_t rows, uint32_t columns, uint32_t samples, uint16_t bits) {
  return FrameShape{rows, columns, samples, bits, bits, false};
}

Bytes Header(std::initializer_list<uint32_t> offsets) {
  Bytes header(kRleHeaderSize, 0);
  header[0] = static_cast<uint8_t>(offsets.size());
  size_t at = 4;
  for (const uint32_t offset : offsets) {
    for (int b = 0; b < 4; ++b)
      header[at + b] = static_cast<uint8_t>(offset >> (8 * b));
    at += 4;
  }
  return header;
}

// The segment format: a header of offsets, the most significant byte's segment first, each
// row packed on its own (runs do not cross rows), segments padded to an even length.
TEST(RleCodec, SegmentsAreByteOrderedRowsPackedApartAndPadded) {
  // Two rows of two 16-bit samples: 0x0102 0x0304 / 0x0304 0x0304. The second row's run
  // would join the first row's last byte if rows were packed together.
  const Bytes frame = {0x02, 0x01, 0x04, 0x03, 0x04, 0x03, 0x04, 0x03};
  Bytes stream;
  ASSERT_TRUE(RleEncodeFrame(Shape(2, 2, 1, 16), frame, stream));
  const Bytes high = {0x01, 0x01, 0x03, 0xFF, 0x03, 0x00};  // literal 2; run of 2; pad
  const Bytes low = {0x01, 0x02, 0x04, 0xFF, 0x04, 0x00};
  const Bytes expected = testing::Concat({Header({64, 70}), high, low});
  EXPECT_EQ(stream, expected) << testing::Hex(stream);

  // A decoder takes any valid packing: a literal, the no-op -128, a long replicate run.
  Bytes other = Header({64});
  for (uint8_t b : {0x01, 0x07, 0x08, 0x80, 0xFC, 0x09})
    other.push_back(b);
  Bytes decoded(7);
  EXPECT_EQ(RleDecodeFrame(Shape(1, 7, 1, 8), other, decoded), FrameDecodeStatus::kOk);
  EXPECT_EQ(decoded, (Bytes{7, 8, 9, 9, 9, 9, 9}));
}

TEST(RleCodec, DamagedStreamsFailWithoutWritingPastTheFrame) {
  const FrameShape shape = Shape(2, 2, 1, 8);
  Bytes good = Header({64});
  for (uint8_t b : {0x03, 1, 2, 3, 4})
    good.push_back(b);
  const struct {
    const char* name;
    Bytes stream;
    FrameDecodeStatus status;
  } cases[] = {
      {"good", good, FrameDecodeStatus::kOk},
      {"shorter than the header", Bytes(40, 0), FrameDecodeStatus::kCorrupt},
      {"two segments for one byte plane", Header({64, 66}), FrameDecodeStatus::kMismatch},
      {"offset past the end", Header({500}), FrameDecodeStatus::kCorrupt},
      {"offset inside the header", Header({8}), FrameDecodeStatus::kCorrupt},
      {"segment ends early", testing::Concat({Header({64}), {0x01, 1, 2}}),
       FrameDecodeStatus::kCorrupt},
      {"literal runs past the stream", testing::Concat({Header({64}), {0x7F, 1}}),
       FrameDecodeStatus::kCorrupt},
      {"replicate without its byte", testing::Concat({Header({64}), {0x81}}),
       FrameDecodeStatus::kCorrupt},
      {"runs past the plane are cut", testing::Concat({Header({64}), {0x81, 5}}),
       FrameDecodeStatus::kOk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes frame(4, 0xAA);
    EXPECT_EQ(RleDecodeFrame(shape, c.stream, frame), c.status);
  }
}

}  // namespace
}  // namespace norvane
