// Which syntaxes a data set can be had in, judged without coding, and how that judgement
// agrees with what the conversion does: subsampled YBR frames, 1-bit frames, JPEG sources.

#include "convert/reachable_syntaxes.hpp"

#include <gtest/gtest.h>

#include "convert/convert_dataset.hpp"
#include "convert/image_lists.hpp"
#include "convert/syntax_uids.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::ImageList;
using testing::ImagePixels;
using testing::ImageShape;
using testing::PixelDataIndex;
using namespace testing::uids;

constexpr const char* kEveryTarget[] = {kImplicit,    kExplicit, kBig,     kBaseline,
                                        kLossless,    kRle,      kJpegLs,  kJpegLsNear,
                                        kJ2kLossless, kJ2k,      kDeflated};

using Syntaxes = std::vector<std::string>;

// An image list whose photometric interpretation and pixel data are replaced.
TagList WithPixels(TagList list, const std::string& photometric, Bytes pixels) {
  TagRecord& interpretation = *FindTag(list, tag::kPhotometricInterpretation);
  interpretation.value = testing::Padded(photometric);
  interpretation.length = static_cast<uint32_t>(interpretation.value.size());
  TagRecord& data = list[PixelDataIndex(list)];
  if (pixels.size() % 2 != 0) pixels.push_back(0);
  data.length = static_cast<uint32_t>(pixels.size());
  data.value = std::move(pixels);
  return list;
}

// 1-bit samples: Bits Allocated and Stored 1, High Bit 0.
TagList OneBit(TagList list) {
  FindTag(list, tag::kBitsAllocated)->value = testing::US(1);
  FindTag(list, tag::kBitsStored)->value = testing::US(1);
  FindTag(list, tag::kHighBit)->value = testing::US(0);
  return list;
}

TEST(ReachableSyntaxes, FollowTheImageAndAgreeWithTheConversion) {
  const ImageShape rgb{8, 4, 6, 3, 1};
  const ImageShape grey16{16, 5, 7, 1, 1};
  const ImageShape grey8{8, 3, 3, 1, 3};
  const auto ramp = [](size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
      bytes[i] = static_cast<uint8_t>(i * 13);
    return bytes;
  };
  // 4 x 6 pixels of YBR_FULL_422: Y Y Cb Cr per pair, 48 bytes; 72 is the full-rate size.
  const TagList ybr422 = WithPixels(ImageList(rgb, {}), "YBR_FULL_422", ramp(48));
  const TagList ybr422FullSize = WithPixels(ImageList(rgb, {}), "YBR_FULL_422", Bytes(72, 0x80));
  const TagList partial420 = WithPixels(ImageList(rgb, {}), "YBR_PARTIAL_420", Bytes(36, 0x80));
  // Three 3 x 3 frames of 1-bit samples are 27 bits: 4 bytes, not 3 x 1.
  const TagList oneBit = OneBit(WithPixels(ImageList(grey8, {}), "MONOCHROME2", ramp(4)));
  TagList baseline;
  ASSERT_EQ(ConvertDataset(baseline, ImageList(rgb, ImagePixels(rgb, 1)), kBaseline, kExplicit),
            ConvertStatus::kOk);
  TagList extended;
  ASSERT_TRUE(LoadFileDataset(testing::PydicomFile("JPEG-lossy.dcm"), extended));

  const struct {
    const char* name;
    TagList dataset;
    const char* syntax;
    Syntaxes reachable;
  } cases[] = {
      {"RGB",
       ImageList(rgb, ImagePixels(rgb, 1)),
       kExplicit,
       {kExplicit, kImplicit, kBig, kBaseline, kLossless, kRle, kJpegLs, kJpegLsNear, kJ2kLossless,
        kJ2k, kDeflated}},
      {"16-bit grey",
       ImageList(grey16, ImagePixels(grey16, 1)),
       kImplicit,
       {kImplicit, kExplicit, kBig, kLossless, kRle, kJpegLs, kJpegLsNear, kJ2kLossless, kJ2k,
        kDeflated}},
      {"YBR_FULL_422", ybr422, kExplicit, {kExplicit, kImplicit, kBig, kBaseline, kDeflated}},
      {"YBR_FULL_422 at the full-rate size", ybr422FullSize, kExplicit, {kExplicit}},
      {"YBR_PARTIAL_420", partial420, kExplicit, {kExplicit, kImplicit, kBig, kDeflated}},
      {"1-bit frames", oneBit, kExplicit, {kExplicit, kImplicit, kBig, kDeflated}},
      {"JPEG baseline",
       baseline,
       kBaseline,
       {kBaseline, kImplicit, kExplicit, kBig, kLossless, kRle, kJpegLs, kJpegLsNear, kJ2kLossless,
        kJ2k, kDeflated}},
      {"JPEG extended", extended, kExtended, {kExtended}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReachableTransferSyntaxes(c.dataset, c.syntax), c.reachable);
    // What is judged reachable converts; what is not fails with the same reason.
    for (const char* target : kEveryTarget) {
      SCOPED_TRACE(target);
      TagList out;
      const ConvertStatus status = ConvertDataset(out, c.dataset, target, c.syntax);
      EXPECT_EQ(status, CheckConversion(c.dataset, target, c.syntax));
      // 8-bit and 1-bit native samples keep their bytes and their layout in the other
      // native syntaxes.
      const bool native = std::string_view(target) == kImplicit ||
                          std::string_view(target) == kBig || std::string_view(target) == kDeflated;
      if (status != ConvertStatus::kOk || std::string_view(c.syntax) != kExplicit || !native)
        continue;
      EXPECT_EQ(out[PixelDataIndex(out)].value, c.dataset[PixelDataIndex(c.dataset)].value);
      EXPECT_EQ(GetTagText(out, tag::kPhotometricInterpretation),
                GetTagText(c.dataset, tag::kPhotometricInterpretation));
    }
  }
}

}  // namespace
}  // namespace norvane
