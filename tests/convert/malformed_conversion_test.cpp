// Damaged input through the conversion: mutated JPEG fragments, image elements that do not
// match the data, and mutated sequence values must give a result, never a read or write
// outside the data (run under the sanitizer build to see the difference).

#include <gtest/gtest.h>

#include <random>

#include "convert/convert_dataset.hpp"
#include "convert/image_lists.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::ImageList;
using testing::ImagePixels;
using testing::ImageShape;
using testing::PixelDataIndex;
using testing::Record;

constexpr const char* kImplicit = "1.2.840.10008.1.2";
constexpr const char* kExplicit = "1.2.840.10008.1.2.1";
constexpr const char* kBig = "1.2.840.10008.1.2.2";
constexpr const char* kBaseline = "1.2.840.10008.1.2.4.50";
constexpr const char* kLossless = "1.2.840.10008.1.2.4.70";

void Mutate(Bytes& bytes, std::mt19937& random) {
  if (bytes.empty()) return;
  std::uniform_int_distribution<size_t> at(0, bytes.size() - 1);
  switch (random() % 3) {
    case 0:  // flip a few bytes
      for (int i = 0; i < 4; ++i)
        bytes[at(random)] = static_cast<uint8_t>(random());
      break;
    case 1:  // cut short
      bytes.resize(at(random));
      break;
    default:  // a run of 0xFF, as markers are made of
      for (size_t i = at(random), n = 0; i < bytes.size() && n < 6; ++i, ++n)
        bytes[i] = 0xFF;
      break;
  }
}

TEST(MalformedConversion, MutatedFragmentsAndImageElements_GiveAResult) {
  std::mt19937 random(12345);
  const ImageShape shapes[] = {{16, 24, 20, 1, 2}, {8, 16, 18, 3, 1}, {12, 10, 12, 1, 1}};
  for (const ImageShape& shape : shapes) {
    for (const char* syntax : {kLossless, kBaseline}) {
      TagList compressed;
      if (ConvertDataset(compressed, ImageList(shape, ImagePixels(shape, 1)), syntax, kExplicit) !=
          ConvertStatus::kOk) {
        continue;  // baseline takes 8 bits only
      }
      const size_t at = PixelDataIndex(compressed);
      for (int round = 0; round < 150; ++round) {
        TagList list = compressed;
        TagRecord& fragment = list[at + 2 + random() % shape.frames];
        Mutate(fragment.value, random);
        fragment.length = static_cast<uint32_t>(fragment.value.size());
        if (random() % 4 == 0) {
          const uint16_t tags[] = {0x0010, 0x0011, 0x0100};
          TagRecord* element = FindTag(list, 0x0028, tags[random() % 3]);
          element->value = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random() % 3)};
        }
        for (const char* target : {kExplicit, kBig}) {
          TagList out;
          if (ConvertDataset(out, list, target, syntax) == ConvertStatus::kOk) {
            const TagRecord* data = FindTag(out, 0x7FE0, 0x0010);
            ASSERT_TRUE(data);
            EXPECT_EQ(data->value.size(), data->length);
          } else {
            EXPECT_TRUE(out.empty());
          }
        }
      }
    }
  }
}

TEST(MalformedConversion, MutatedSequenceValues_GiveAResult) {
  // An explicit sequence of two items, one holding a nested sequence.
  const Bytes inner = testing::Concat(
      {{0x08, 0x00, 0x50, 0x11}, testing::Text("UI"), {0x06, 0x00}, testing::Text("1.2.3\0")});
  const Bytes nestedItem = testing::Concat({{0xFE, 0xFF, 0x00, 0xE0, 14, 0, 0, 0}, inner});
  const Bytes nested = testing::Concat(
      {{0x08, 0x00, 0x40, 0x11}, testing::Text("SQ"), {0, 0, 22, 0, 0, 0}, nestedItem});
  const Bytes value = testing::Concat({{0xFE, 0xFF, 0x00, 0xE0, 14, 0, 0, 0},
                                       inner,
                                       {0xFE, 0xFF, 0x00, 0xE0, 34, 0, 0, 0},
                                       nested});
  TagList check;
  ASSERT_EQ(ConvertDataset(check, {Record(0x0008, 0x1140, "SQ", value)}, kImplicit, kExplicit),
            ConvertStatus::kOk);
  std::mt19937 random(777);
  for (int round = 0; round < 500; ++round) {
    Bytes damaged = value;
    Mutate(damaged, random);
    const TagList list{Record(0x0008, 0x1140, "SQ", damaged), Record(0xFFFE, 0xE000, "", damaged)};
    for (const char* target : {kImplicit, kBig}) {
      TagList out;
      if (ConvertDataset(out, list, target, kExplicit) == ConvertStatus::kOk) {
        for (const TagRecord& r : out)
          EXPECT_EQ(r.value.size(), r.HasValue() ? r.length : 0u);
      } else {
        EXPECT_TRUE(out.empty());
      }
    }
  }
}

}  // namespace
}  // namespace norvane
