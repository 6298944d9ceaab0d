// Pixel data through the conversion: lossless round trips, the encapsulated form, baseline
// streams, byte order of native samples, and the cases that must fail without touching the
// caller's list.

#include <gtest/gtest.h>

#include <cstdlib>

#include "convert/convert_dataset.hpp"
#include "convert/image_lists.hpp"
#include "convert/jpeg_codec.hpp"
#include "convert/jpeg_frame_info.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Describe;
using testing::Fragments;
using testing::ImageList;
using testing::ImagePixels;
using testing::ImageShape;
using testing::PixelDataIndex;
using testing::Record;
using testing::SameRecord;

constexpr const char* kImplicit = "1.2.840.10008.1.2";
constexpr const char* kExplicit = "1.2.840.10008.1.2.1";
constexpr const char* kBig = "1.2.840.10008.1.2.2";
constexpr const char* kBaseline = "1.2.840.10008.1.2.4.50";
constexpr const char* kLossless = "1.2.840.10008.1.2.4.70";

bool SameList(const TagList& a, const TagList& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!SameRecord(a[i], b[i])) return false;
  }
  return true;
}

struct Case {
  const char* name;
  ImageShape shape;
};

const Case kLosslessCases[] = {
    {"grey8", {8, 37, 53, 1, 1}},     {"rgb8", {8, 29, 41, 3, 1}},
    {"grey12", {12, 33, 47, 1, 1}},   {"grey16", {16, 31, 43, 1, 1}},
    {"rgb16", {16, 13, 17, 3, 1}},    {"grey8x3", {8, 19, 23, 1, 3}},
    {"rgb8x2", {8, 17, 21, 3, 2}},    {"grey12x2", {12, 15, 25, 1, 2}},
    {"grey16x3", {16, 21, 19, 1, 3}},
};

TEST(PixelConversion, Lossless_RoundTripIsBitExact) {
  for (const Case& c : kLosslessCases) {
    SCOPED_TRACE(c.name);
    const Bytes pixels = ImagePixels(c.shape, 7);
    const TagList source = ImageList(c.shape, pixels);
    for (const char* from : {kExplicit, kImplicit, kBig}) {
      SCOPED_TRACE(from);
      TagList native;
      ASSERT_EQ(ConvertDataset(native, source, from, kExplicit), ConvertStatus::kOk);
      TagList compressed;
      ASSERT_EQ(ConvertDataset(compressed, native, kLossless, from), ConvertStatus::kOk);
      const auto fragments = Fragments(compressed);
      ASSERT_EQ(fragments.size(), static_cast<size_t>(c.shape.frames));
      for (const Bytes& f : fragments) {
        const auto info = ReadJpegFrameInfo(f);
        ASSERT_TRUE(info);
        EXPECT_TRUE(info->lossless());
        EXPECT_EQ(info->rows, c.shape.rows);
        EXPECT_EQ(info->columns, c.shape.columns);
        EXPECT_EQ(info->components, c.shape.samples);
      }
      TagList back;
      ASSERT_EQ(ConvertDataset(back, compressed, kExplicit, kLossless), ConvertStatus::kOk);
      EXPECT_TRUE(SameList(back, source)) << Describe(back);
    }
  }
}

TEST(PixelConversion, RgbTwoFramesToBaseline_GiveEncapsulatedFormWithSof0Streams) {
  const ImageShape shape{8, 33, 45, 3, 2};  // odd sizes
  const Bytes pixels = ImagePixels(shape, 3);
  TagList out;
  ASSERT_EQ(ConvertDataset(out, ImageList(shape, pixels), kBaseline, kExplicit),
            ConvertStatus::kOk);
  const auto fragments = Fragments(out);
  ASSERT_EQ(fragments.size(), 2u);
  for (const Bytes& f : fragments) {
    const auto segments = testing::HeaderSegments(f);
    const auto sof = testing::FindSegment(f, 0xC0);
    ASSERT_TRUE(sof) << "no SOF0 segment";
    // P, Y, X, Nf, then per component: id, sampling factors, table.
    ASSERT_EQ(sof->body.size(), 6u + 3 * 3);
    EXPECT_EQ(sof->body[0], 8);
    EXPECT_EQ((sof->body[1] << 8) | sof->body[2], shape.rows);
    EXPECT_EQ((sof->body[3] << 8) | sof->body[4], shape.columns);
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(sof->body[6 + 3 * c + 1], 0x11) << "component " << c << " is subsampled";
    // Decodes close to the original.
    std::vector<uint8_t> decoded(shape.FrameBytes());
    ASSERT_EQ(JpegDecode8(f, decoded), 0);
  }
  // Decoding the list gives native pixel data of the right size, still RGB.
  TagList back;
  ASSERT_EQ(ConvertDataset(back, out, kExplicit, kBaseline), ConvertStatus::kOk);
  const TagRecord* data = FindTag(back, 0x7FE0, 0x0010);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->length, shape.TotalBytes() + shape.TotalBytes() % 2);
  double psnr = testing::Psnr8(std::span(data->value).first(pixels.size()), pixels);
  EXPECT_GT(psnr, 20.0);
  EXPECT_EQ(GetTagText(back, 0x0028, 0x0004), "RGB");
}

TEST(PixelConversion, SixteenBitToBaseline_FailsAndLeavesTheListAsItWas) {
  const ImageShape shape{16, 8, 8, 1, 1};
  TagList list = ImageList(shape, ImagePixels(shape, 1));
  const TagList before = list;
  EXPECT_FALSE(ConvertTS(list, kBaseline, kExplicit));
  EXPECT_TRUE(SameList(list, before));
  // 12 bits in 16 as well.
  const ImageShape twelve{12, 8, 8, 1, 1};
  TagList out;
  EXPECT_NE(ConvertDataset(out, ImageList(twelve, ImagePixels(twelve, 1)), kBaseline, kExplicit),
            ConvertStatus::kOk);
  EXPECT_TRUE(out.empty());
}

TEST(PixelConversion, NativeLength_OneBytePadConvertsOthersFail) {
  const ImageShape shape{8, 3, 5, 1, 1};  // 15 bytes
  Bytes pixels = ImagePixels(shape, 2);
  for (size_t length : {15u, 16u, 17u, 14u, 0u, 13u}) {
    SCOPED_TRACE(length);
    TagList list = ImageList(shape, pixels);
    TagRecord& data = list[PixelDataIndex(list)];
    data.value.resize(length, 0);
    data.length = static_cast<uint32_t>(length);
    const TagList before = list;
    const bool converts = length == 15 || length == 16;
    for (const char* target : {kBig, kLossless, kImplicit}) {
      TagList copy = list;
      EXPECT_EQ(ConvertTS(copy, target, kExplicit), converts) << target;
      if (!converts) {
        EXPECT_TRUE(SameList(copy, before)) << target;
      }
    }
  }
}

TEST(PixelConversion, NativePixelDataTwoBytesTooLong_Fails) {
  const ImageShape shape{16, 4, 4, 1, 1};
  TagList list = ImageList(shape, ImagePixels(shape, 2));
  TagRecord& data = list[PixelDataIndex(list)];
  data.value.resize(data.value.size() + 2, 0);
  data.length += 2;
  const TagList before = list;
  EXPECT_FALSE(ConvertTS(list, kLossless, kExplicit));
  EXPECT_FALSE(ConvertTS(list, kBig, kExplicit));
  EXPECT_TRUE(SameList(list, before));
}

TEST(PixelConversion, BigEndian_SwapsWordsButNotBytes) {
  const ImageShape words{16, 2, 2, 1, 1};
  const Bytes wordPixels{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  TagList out;
  ASSERT_EQ(ConvertDataset(out, ImageList(words, wordPixels), kBig, kExplicit), ConvertStatus::kOk);
  const TagRecord& w = out[PixelDataIndex(out)];
  EXPECT_EQ(w.VRText(), "OW");
  EXPECT_EQ(w.value, (Bytes{0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0x08, 0x07}));

  // 8-bit samples have no byte order; implicit data call Pixel Data OW, which big endian
  // readers would swap, so the bytes are written as OB.
  const ImageShape bytes{8, 2, 3, 1, 1};
  const Bytes bytePixels{1, 2, 3, 4, 5, 6};
  TagList implicitList;
  ASSERT_EQ(ConvertDataset(implicitList, ImageList(bytes, bytePixels), kImplicit, kExplicit),
            ConvertStatus::kOk);
  implicitList[PixelDataIndex(implicitList)].SetVR("");
  TagList big;
  ASSERT_EQ(ConvertDataset(big, implicitList, kBig, kImplicit), ConvertStatus::kOk);
  const TagRecord& b = big[PixelDataIndex(big)];
  EXPECT_EQ(b.VRText(), "OB");
  EXPECT_EQ(b.value, bytePixels);
}

TEST(PixelConversion, EncapsulatedShape_WrongFragmentCountOrFrameSizeFails) {
  const ImageShape shape{8, 16, 16, 1, 2};
  const TagList source = ImageList(shape, ImagePixels(shape, 5));
  TagList compressed;
  ASSERT_EQ(ConvertDataset(compressed, source, kLossless, kExplicit), ConvertStatus::kOk);
  const size_t at = PixelDataIndex(compressed);

  {  // one fragment missing
    TagList list = compressed;
    list.erase(list.begin() + static_cast<ptrdiff_t>(at + 3));
    const TagList before = list;
    EXPECT_FALSE(ConvertTS(list, kExplicit, kLossless));
    EXPECT_TRUE(SameList(list, before));
  }
  {  // no offset table
    TagList list = compressed;
    list.erase(list.begin() + static_cast<ptrdiff_t>(at + 1));
    EXPECT_FALSE(ConvertTS(list, kExplicit, kLossless));
  }
  {  // no delimiter
    TagList list = compressed;
    list.pop_back();
    EXPECT_FALSE(ConvertTS(list, kExplicit, kLossless));
  }
  {  // the image claims more rows than the frames hold
    TagList list = compressed;
    FindTag(list, 0x0028, 0x0010)->value = {17, 0};
    EXPECT_FALSE(ConvertTS(list, kExplicit, kLossless));
  }
  {  // and fewer
    TagList list = compressed;
    FindTag(list, 0x0028, 0x0010)->value = {15, 0};
    EXPECT_FALSE(ConvertTS(list, kExplicit, kLossless));
  }
  {  // a truncated stream
    TagList list = compressed;
    TagRecord& fragment = list[at + 2];
    fragment.value.resize(fragment.value.size() / 2);
    fragment.length = static_cast<uint32_t>(fragment.value.size());
    EXPECT_FALSE(ConvertTS(list, kExplicit, kLossless));
  }
  {  // encapsulated data under a native syntax cannot be decoded
    TagList list = compressed;
    EXPECT_FALSE(ConvertTS(list, kBig, kExplicit));
  }
}

TEST(PixelConversion, SingleFrameInSeveralFragments_IsJoined) {
  const ImageShape shape{16, 20, 20, 1, 1};
  const Bytes pixels = ImagePixels(shape, 9);
  const TagList source = ImageList(shape, pixels);
  TagList compressed;
  ASSERT_EQ(ConvertDataset(compressed, source, kLossless, kExplicit), ConvertStatus::kOk);
  const size_t at = PixelDataIndex(compressed);
  TagRecord whole = compressed[at + 2];
  const size_t half = whole.value.size() / 2 & ~size_t{1};
  TagRecord first =
      Record(0xFFFE, 0xE000, "DL", Bytes(whole.value.begin(), whole.value.begin() + half));
  TagRecord second =
      Record(0xFFFE, 0xE000, "DL", Bytes(whole.value.begin() + half, whole.value.end()));
  compressed[at + 2] = first;
  compressed.insert(compressed.begin() + static_cast<ptrdiff_t>(at + 3), second);
  TagList back;
  ASSERT_EQ(ConvertDataset(back, compressed, kExplicit, kLossless), ConvertStatus::kOk);
  EXPECT_TRUE(SameList(back, source)) << Describe(back);
}

TEST(PixelConversion, PlanarRgb_IsInterleavedForTheCodec) {
  const ImageShape shape{8, 4, 5, 3, 1};
  const Bytes interleaved = ImagePixels(shape, 4);
  Bytes planar(interleaved.size());
  const size_t pixels = interleaved.size() / 3;
  for (size_t p = 0; p < pixels; ++p) {
    for (size_t s = 0; s < 3; ++s)
      planar[s * pixels + p] = interleaved[3 * p + s];
  }
  TagList source = ImageList(shape, planar);
  FindTag(source, 0x0028, 0x0006)->value = {1, 0};
  TagList compressed;
  ASSERT_EQ(ConvertDataset(compressed, source, kLossless, kExplicit), ConvertStatus::kOk);
  EXPECT_EQ(GetTagUS(compressed, 0x0028, 0x0006), 0);
  TagList back;
  ASSERT_EQ(ConvertDataset(back, compressed, kExplicit, kLossless), ConvertStatus::kOk);
  EXPECT_EQ(FindTag(back, 0x7FE0, 0x0010)->value.size(), interleaved.size());
  EXPECT_TRUE(FindTag(back, 0x7FE0, 0x0010)->value == interleaved);
  // Native to native keeps the planes as they are.
  TagList big;
  ASSERT_EQ(ConvertDataset(big, source, kBig, kExplicit), ConvertStatus::kOk);
  EXPECT_EQ(FindTag(big, 0x0028, 0x0006)->value, (Bytes{0, 1}));
  EXPECT_TRUE(FindTag(big, 0x7FE0, 0x0010)->value == planar);
}

TEST(PixelConversion, ImageTooLargeForAnElementLength_Fails) {
  // 65535 x 65535 x 16 bits x 3 samples x 1000 frames, with hardly any data.
  TagList list{
      Record(0x0028, 0x0004, "CS", testing::Text("RGB ")),
      Record(0x0028, 0x0008, "IS", testing::Text("1000")),
      Record(0x0028, 0x0010, "US", {0xFF, 0xFF}),
      Record(0x0028, 0x0011, "US", {0xFF, 0xFF}),
      Record(0x0028, 0x0100, "US", {16, 0}),
      testing::Undefined(0x7FE0, 0x0010, "OB"),
      Record(0xFFFE, 0xE000, "DL", {}),
      Record(0xFFFE, 0xE000, "DL", {0xFF, 0xD8, 0xFF, 0xD9}),
      Record(0xFFFE, 0xE0DD, "DL", {}),
  };
  const TagList before = list;
  EXPECT_FALSE(ConvertTS(list, kExplicit, kLossless));
  EXPECT_TRUE(SameList(list, before));
  // One frame that fits the length but not the stream.
  FindTag(list, 0x0028, 0x0008)->value = testing::Text("1 ");
  FindTag(list, 0x0028, 0x0100)->value = {8, 0};
  EXPECT_FALSE(ConvertTS(list, kExplicit, kLossless));
}

TEST(PixelConversion, NumberOfFrames_ZeroNegativeOrAbsentMeanOne) {
  const ImageShape shape{8, 6, 6, 1, 1};
  const Bytes pixels = ImagePixels(shape, 11);
  for (const char* frames : {"0 ", "-3", "", "1 ", " 1"}) {
    SCOPED_TRACE(frames);
    TagList source = ImageList(shape, pixels);
    if (*frames != 0) {
      source.insert(source.begin() + 9, Record(0x0028, 0x0008, "IS", testing::Text(frames)));
    }
    TagList compressed;
    ASSERT_EQ(ConvertDataset(compressed, source, kLossless, kExplicit), ConvertStatus::kOk);
    EXPECT_EQ(Fragments(compressed).size(), 1u);
  }
}

TEST(PixelConversion, LossyStepsAreMarkedAndStayMarked) {
  const ImageShape shape{8, 16, 16, 3, 2};
  const TagList plain = ImageList(shape, ImagePixels(shape, 5));
  TagList once;
  ASSERT_EQ(ConvertDataset(once, plain, kBaseline, kExplicit), ConvertStatus::kOk);
  const auto ratio = [](const TagList& list) {
    return GetTagText(list, tag::kLossyImageCompressionRatio);
  };
  EXPECT_EQ(GetTagText(once, tag::kLossyImageCompression), "01");
  EXPECT_EQ(GetTagText(once, tag::kLossyImageCompressionMethod), "ISO_10918_1");
  const double first = std::atof(ratio(once).c_str());
  EXPECT_GT(first, 1.0) << ratio(once);
  EXPECT_LE(ratio(once).size(), 16u);
  // Inserted in tag order, at the top level, before the pixel data.
  const size_t lossy =
      static_cast<size_t>(FindTag(once, tag::kLossyImageCompression) - once.data());
  EXPECT_TRUE(once[lossy - 1].Is(tag::kPixelRepresentation)) << Describe(once);
  EXPECT_TRUE(once[lossy + 1].Is(tag::kLossyImageCompressionRatio));
  EXPECT_TRUE(once[lossy + 2].Is(tag::kLossyImageCompressionMethod));
  EXPECT_EQ(lossy + 3, PixelDataIndex(once));
  EXPECT_EQ(once[lossy + 1].length % 2, 0u);

  // Decoded it stays lossy with its history; coded again, the new step is added.
  for (const char* target : {kExplicit, kLossless}) {
    TagList decoded;
    ASSERT_EQ(ConvertDataset(decoded, once, target, kBaseline), ConvertStatus::kOk);
    EXPECT_EQ(GetTagText(decoded, tag::kLossyImageCompression), "01") << target;
    EXPECT_EQ(ratio(decoded), ratio(once)) << target;
  }
  TagList native;
  ASSERT_EQ(ConvertDataset(native, once, kExplicit, kBaseline), ConvertStatus::kOk);
  TagList twice;
  ASSERT_EQ(ConvertDataset(twice, native, kBaseline, kExplicit), ConvertStatus::kOk);
  EXPECT_EQ(ratio(twice).rfind(ratio(once) + "\\", 0), 0u) << ratio(twice);
  EXPECT_EQ(GetTagText(twice, tag::kLossyImageCompressionMethod), "ISO_10918_1\\ISO_10918_1");

  // A baseline stream whose image says nothing of it gets the step it went through.
  TagList unmarked = once;
  unmarked.erase(unmarked.begin() + static_cast<ptrdiff_t>(lossy),
                 unmarked.begin() + static_cast<ptrdiff_t>(lossy + 3));
  TagList decoded;
  ASSERT_EQ(ConvertDataset(decoded, unmarked, kExplicit, kBaseline), ConvertStatus::kOk);
  EXPECT_EQ(GetTagText(decoded, tag::kLossyImageCompression), "01");
  EXPECT_EQ(GetTagText(decoded, tag::kLossyImageCompressionMethod), "ISO_10918_1");
  // Lossless steps and native conversions add nothing.
  for (const char* target : {kLossless, kBig}) {
    TagList out;
    ASSERT_EQ(ConvertDataset(out, plain, target, kExplicit), ConvertStatus::kOk);
    EXPECT_EQ(FindTag(out, tag::kLossyImageCompression), nullptr) << target;
  }
}

TEST(PixelConversion, FailureStatus_SaysWhy) {
  const ImageShape shape{16, 8, 8, 1, 2};
  const TagList source = ImageList(shape, ImagePixels(shape, 3));
  TagList out;
  EXPECT_EQ(ConvertDataset(out, source, kBaseline, kExplicit), ConvertStatus::kBitsAllocated);
  EXPECT_EQ(ConvertDataset(out, source, kLossless, "1.2.840.10008.1.2.4.51"),
            ConvertStatus::kUnsupportedSourceSyntax);
  EXPECT_EQ(ConvertDataset(out, source, "1.2.840.10008.1.2.4.57", kExplicit),
            ConvertStatus::kUnsupportedTargetSyntax);
  EXPECT_EQ(ConvertDataset(out, source, "1.2.840.10008.1.2.4.91", kExplicit,
                           CodingOptions{.jpeg2000Ratio = 0.5}),
            ConvertStatus::kCodingOptions);
  TagList longer = source;
  longer[PixelDataIndex(longer)].value.resize(shape.TotalBytes() + 2);
  longer[PixelDataIndex(longer)].length += 2;
  EXPECT_EQ(ConvertDataset(out, longer, kBig, kExplicit), ConvertStatus::kPixelDataLength);

  // Damaged encapsulated data, for every codec. RLE streams carry no image size: a wider
  // image runs its segments short.
  const struct {
    const char* syntax;
    ConvertStatus wider;
  } codecs[] = {
      {kLossless, ConvertStatus::kFrameMismatch},
      {"1.2.840.10008.1.2.5", ConvertStatus::kCodecError},
      {"1.2.840.10008.1.2.4.80", ConvertStatus::kFrameMismatch},
      {"1.2.840.10008.1.2.4.90", ConvertStatus::kFrameMismatch},
  };
  for (const auto& codec : codecs) {
    SCOPED_TRACE(codec.syntax);
    TagList compressed;
    ASSERT_EQ(ConvertDataset(compressed, source, codec.syntax, kExplicit), ConvertStatus::kOk);
    const size_t at = PixelDataIndex(compressed);
    TagList missing = compressed;
    missing.erase(missing.begin() + static_cast<ptrdiff_t>(at + 2));
    EXPECT_EQ(ConvertDataset(out, missing, kExplicit, codec.syntax),
              ConvertStatus::kEncapsulatedForm);
    TagList wider = compressed;
    FindTag(wider, 0x0028, 0x0011)->value = {9, 0};
    EXPECT_EQ(ConvertDataset(out, wider, kExplicit, codec.syntax), codec.wider);
    TagList damaged = compressed;
    damaged[at + 2].value.resize(40);
    damaged[at + 2].length = 40;
    EXPECT_EQ(ConvertDataset(out, damaged, kExplicit, codec.syntax), ConvertStatus::kCodecError);
    EXPECT_TRUE(out.empty()) << Describe(out);
  }
}

}  // namespace
}  // namespace norvane
