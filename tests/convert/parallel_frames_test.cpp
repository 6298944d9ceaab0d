// Frames coded on several threads give the bytes one thread gives, and a damaged frame
// stops the conversion with the status one thread reports.

#include <gtest/gtest.h>

#include "convert/convert_dataset.hpp"
#include "convert/image_lists.hpp"
#include "convert/syntax_uids.hpp"
#include "datadec/element_encoding.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::ImageList;
using testing::ImagePixels;
using testing::ImageShape;
using testing::PixelDataIndex;
using namespace testing::uids;

CodingOptions Threads(unsigned n) {
  CodingOptions options;
  options.threads = n;
  return options;
}

Bytes Encoded(const TagList& list) {
  return EncodeTags(list, true, ByteOrder::kLittleEndian).value_or(Bytes{});
}

struct ParallelCase {
  const char* name;
  const char* syntax;
  ImageShape shape;
};

class ParallelFrames : public ::testing::TestWithParam<ParallelCase> {};

TEST_P(ParallelFrames, ManyThreadsGiveTheBytesOfOne) {
  const ParallelCase& c = GetParam();
  const TagList plain = ImageList(c.shape, ImagePixels(c.shape, 5));
  TagList one, many;
  ASSERT_EQ(ConvertDataset(one, plain, c.syntax, kExplicit, Threads(1)), ConvertStatus::kOk);
  ASSERT_EQ(ConvertDataset(many, plain, c.syntax, kExplicit, Threads(4)), ConvertStatus::kOk);
  const Bytes coded = Encoded(one);
  ASSERT_FALSE(coded.empty());
  EXPECT_TRUE(Encoded(many) == coded) << "the coded frames differ";

  TagList backOne, backMany;
  ASSERT_EQ(ConvertDataset(backOne, one, kExplicit, c.syntax, Threads(1)), ConvertStatus::kOk);
  ASSERT_EQ(ConvertDataset(backMany, one, kExplicit, c.syntax, Threads(3)), ConvertStatus::kOk);
  EXPECT_TRUE(Encoded(backMany) == Encoded(backOne)) << "the decoded frames differ";

  // A frame in the middle cut short: every thread count stops with the same status.
  TagList damaged = one;
  const size_t fifth = PixelDataIndex(damaged) + 1 + 5;  // after the offset table
  damaged[fifth].value.resize(8);
  damaged[fifth].length = 8;
  TagList out;
  const ConvertStatus alone = ConvertDataset(out, damaged, kExplicit, c.syntax, Threads(1));
  EXPECT_NE(alone, ConvertStatus::kOk);
  for (const unsigned n : {2u, 4u, 9u}) {
    out.clear();
    EXPECT_EQ(ConvertDataset(out, damaged, kExplicit, c.syntax, Threads(n)), alone) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParallelFrames,
    ::testing::Values(ParallelCase{"JpegLossless8Rgb", kLossless, {8, 24, 32, 3, 9}},
                      ParallelCase{"JpegLossless16Grey", kLossless, {16, 33, 21, 1, 9}},
                      ParallelCase{"JpegBaseline8Grey", kBaseline, {8, 16, 16, 1, 9}},
                      ParallelCase{"Rle16Grey", kRle, {16, 17, 19, 1, 9}},
                      ParallelCase{"JpegLs8Rgb", kJpegLs, {8, 21, 19, 3, 9}},
                      ParallelCase{"J2k12Grey", kJ2kLossless, {12, 19, 23, 1, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace norvane
