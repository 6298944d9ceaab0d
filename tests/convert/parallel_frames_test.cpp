// Frames coded on several threads give the bytes one thread gives, and a damaged frame
// stops the conversion with the status one thread reports.

#include <gtest/gtest.h>

#include "convert/convert_dataset.hpp"
#include "convert/image_lists.hpp"
#include "convert/syntax_uids.hpp"
#include "datadec/element_encoding.hpp"

namespace norvane {
namespace {

using testing::ImageShape;
using namespace testing::uids;

struct ParallelCase {
  const char* name;
  const char* syntax;
  ImageShape shape;
};

class ParallelFrames : public ::testing::TestWithParam<ParallelCase> {};

TEST_P(ParallelFrames, ManyThreadsGiveTheBytesAndStatusOfOne) {
  const ParallelCase& c = GetParam();
  const TagList plain = testing::ImageList(c.shape, testing::ImagePixels(c.shape, 5));
  const auto convert = [](const TagList& in, const char* to, const char* from, unsigned n,
                          TagList& out) {
    out.clear();
    return ConvertDataset(out, in, to, from, CodingOptions{.threads = n});
  };
  const auto bytes = [](const TagList& list) {
    return EncodeTags(list, true, ByteOrder::kLittleEndian).value_or(testing::Bytes{});
  };
  TagList one, many, backOne, backMany;
  ASSERT_EQ(convert(plain, c.syntax, kExplicit, 1, one), ConvertStatus::kOk);
  ASSERT_EQ(convert(plain, c.syntax, kExplicit, 4, many), ConvertStatus::kOk);
  EXPECT_TRUE(bytes(many) == bytes(one)) << "the coded frames differ";
  ASSERT_EQ(convert(one, kExplicit, c.syntax, 1, backOne), ConvertStatus::kOk);
  ASSERT_EQ(convert(one, kExplicit, c.syntax, 3, backMany), ConvertStatus::kOk);
  EXPECT_TRUE(bytes(backMany) == bytes(backOne)) << "the decoded frames differ";

  // The sixth frame cut short (after the offset table), the eighth emptied.
  TagList damaged = one;
  const size_t first = testing::PixelDataIndex(damaged) + 2;
  damaged[first + 5].value.resize(8);
  damaged[first + 5].length = 8;
  damaged[first + 7].value.assign(2, 0);
  damaged[first + 7].length = 2;
  TagList out;
  const ConvertStatus alone = convert(damaged, kExplicit, c.syntax, 1, out);
  EXPECT_NE(alone, ConvertStatus::kOk);
  for (const unsigned n : {2u, 9u})
    EXPECT_EQ(convert(damaged, kExplicit, c.syntax, n, out), alone) << n << " threads";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParallelFrames,
    ::testing::Values(ParallelCase{"JpegLossless8Rgb", kLossless, {8, 24, 32, 3, 9}},
                      ParallelCase{"JpegLossless16Grey", kLossless, {16, 33, 21, 1, 9}},
                      ParallelCase{"Rle16Grey", kRle, {16, 17, 19, 1, 9}},
                      ParallelCase{"J2k12Grey", kJ2kLossless, {12, 19, 23, 1, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace norvane
