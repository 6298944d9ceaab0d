#include "convert/jpeg_frame_info.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "convert/jpeg_codec.hpp"
#include "convert/jpeg_test_images.hpp"

namespace norvane {
namespace {

// SOI, an APP0 segment of `appLength` bytes after its length field, then a frame header.
std::vector<uint8_t> Header(uint8_t sof, int precision, int rows, int columns, int components) {
  std::vector<uint8_t> s{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x06, 'J', 'F', 'I', 'F'};
  s.insert(s.end(), {0xFF, sof, 0x00, static_cast<uint8_t>(8 + 3 * components),
                     static_cast<uint8_t>(precision), static_cast<uint8_t>(rows >> 8),
                     static_cast<uint8_t>(rows), static_cast<uint8_t>(columns >> 8),
                     static_cast<uint8_t>(columns), static_cast<uint8_t>(components)});
  for (int c = 0; c < components; ++c)
    s.insert(s.end(), {static_cast<uint8_t>(c + 1), 0x11, 0});
  return s;
}

TEST(JpegFrameInfo, ReadsFrameHeaderAfterOtherSegments) {
  const auto info = ReadJpegFrameInfo(Header(0xC3, 16, 512, 300, 1));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->marker, 0xC3);
  EXPECT_EQ(info->precision, 16);
  EXPECT_EQ(info->rows, 512);
  EXPECT_EQ(info->columns, 300);
  EXPECT_EQ(info->components, 1);
  EXPECT_TRUE(info->lossless());
  EXPECT_FALSE(info->baseline());
  EXPECT_EQ(info->DecodedSize(), 512u * 300u * 2u);
}

TEST(JpegFrameInfo, TellsProcessesApart) {
  EXPECT_TRUE(ReadJpegFrameInfo(Header(0xC0, 8, 2, 2, 3))->baseline());
  EXPECT_EQ(ReadJpegFrameInfo(Header(0xC0, 8, 2, 2, 3))->DecodedSize(), 12u);
  EXPECT_FALSE(ReadJpegFrameInfo(Header(0xC1, 12, 2, 2, 1))->lossless());
  EXPECT_TRUE(ReadJpegFrameInfo(Header(0xC7, 8, 2, 2, 1))->lossless());
  EXPECT_TRUE(ReadJpegFrameInfo(Header(0xCB, 8, 2, 2, 1))->lossless());
}

TEST(JpegFrameInfo, SkipsTablesAndFillBytes) {
  std::vector<uint8_t> s{0xFF, 0xD8, 0xFF, 0xFF, 0xC4, 0x00, 0x03, 0x00,  // DHT
                         0xFF, 0xCC, 0x00, 0x02,                          // DAC
                         0xFF, 0xD0};                                     // RST0, no length
  const auto frame = Header(0xC1, 12, 7, 9, 1);
  s.insert(s.end(), frame.begin() + 10, frame.end());
  const auto info = ReadJpegFrameInfo(s);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->marker, 0xC1);
  EXPECT_EQ(info->columns, 9);
}

TEST(JpegFrameInfo, PassesOverStrayBytesBeforeAMarker) {
  auto s = Header(0xC3, 8, 4, 5, 3);
  s.insert(s.begin() + 10, {0x12, 0x34, 0x00});
  const auto info = ReadJpegFrameInfo(s);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->columns, 5);
  EXPECT_EQ(info->components, 3);
}

TEST(JpegFrameInfo, RejectsMalformedStreams) {
  const auto good = Header(0xC3, 16, 4, 4, 1);
  // Not starting with SOI.
  EXPECT_FALSE(ReadJpegFrameInfo(std::vector<uint8_t>(good.begin() + 2, good.end())));
  EXPECT_FALSE(ReadJpegFrameInfo(std::vector<uint8_t>{}));
  EXPECT_FALSE(ReadJpegFrameInfo(std::vector<uint8_t>{0xFF}));
  // Cut anywhere inside the headers.
  for (std::size_t n = 2; n < good.size() - 3; ++n) {
    EXPECT_FALSE(ReadJpegFrameInfo(std::span(good).first(n))) << "cut to " << n << " bytes";
  }
  // Segment length running past the end, or below its own two bytes.
  auto longApp = good;
  longApp[5] = 0xFF;
  EXPECT_FALSE(ReadJpegFrameInfo(longApp));
  auto shortApp = good;
  shortApp[5] = 0x01;
  EXPECT_FALSE(ReadJpegFrameInfo(shortApp));
  // A frame header too short to hold its fields.
  auto shortFrame = good;
  shortFrame[13] = 0x05;
  EXPECT_FALSE(ReadJpegFrameInfo(shortFrame));
  // A scan or the end of image before any frame header.
  EXPECT_FALSE(ReadJpegFrameInfo(std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02}));
  EXPECT_FALSE(ReadJpegFrameInfo(std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xD9}));
  // A stuffed zero is no marker, so no frame header follows.
  EXPECT_FALSE(ReadJpegFrameInfo(std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0x00, 0xC0, 0x00, 0x0B}));
}

TEST(JpegFrameInfo, DescribesEncodedStreams) {
  std::vector<uint8_t> stream;
  const auto samples = testing::LittleEndianBytes(testing::RandomSamples(5 * 3, 4095, 1));
  ASSERT_EQ(JpegEncode12(5, 3, 1, samples, stream), 0);
  const auto info = ReadJpegFrameInfo(stream);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->precision, 12);
  EXPECT_EQ(info->columns, 5);
  EXPECT_EQ(info->rows, 3);
  EXPECT_EQ(info->DecodedSize(), samples.size());
}

}  // namespace
}  // namespace norvane
