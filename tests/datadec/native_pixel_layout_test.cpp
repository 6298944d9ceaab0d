// The layout of native pixel data: frame sizes with subsampled chroma and 1-bit samples,
// and YBR frames turned into RGB.

#include "datadec/native_pixel_layout.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "datadec/ybr_to_rgb.hpp"

namespace norvane {
namespace {

TEST(NativePixelLayout, FrameSizesFollowTheChromaRateAndPackOneBitFrames) {
  const struct {
    const char* photometric;
    int samples;
    uint16_t bits;
    uint64_t frameBits;
  } cases[] = {
      {"MONOCHROME2 ", 1, 16, 4 * 6 * 16},
      {"RGB ", 3, 8, 4 * 6 * 3 * 8},
      {"YBR_FULL", 3, 8, 4 * 6 * 3 * 8},
      {"YBR_FULL_422", 3, 8, 4 * 6 * 2 * 8},
      {"YBR_PARTIAL_422 ", 3, 8, 4 * 6 * 2 * 8},
      {"YBR_PARTIAL_420 ", 3, 8, 4 * 6 * 3 / 2 * 8},
      {"MONOCHROME2", 1, 1, 4 * 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.photometric);
    EXPECT_EQ(NativeFrameBits(4, 6, c.bits, c.samples, ChromaSubsamplingOf(c.photometric)),
              c.frameBits);
  }
  // Three 3 x 3 frames of 1-bit samples follow one another without padding: 27 bits.
  EXPECT_EQ(NativePixelBytes(NativeFrameBits(3, 3, 1, 1, ChromaSubsampling::kNone), 3), 4u);
  EXPECT_EQ(NativePixelBytes(UINT64_MAX / 2, 3), UINT64_MAX) << "held, not wrapped";
}

TEST(YbrToRgb, EachFormGivesTheColoursItStandsFor) {
  using Bytes = std::vector<uint8_t>;
  const struct {
    const char* photometric;
    uint16_t planar;
    Bytes frame;  // 2 x 1 pixels
    Bytes rgb;
  } cases[] = {
      {"YBR_FULL", 0, {76, 85, 255, 29, 255, 107}, {254, 0, 0, 0, 0, 254}},
      {"YBR_FULL", 1, {76, 29, 85, 255, 255, 107}, {254, 0, 0, 0, 0, 254}},
      {"YBR_FULL_422 ", 0, {76, 150, 85, 255}, {254, 0, 0, 255, 74, 74}},
      {"YBR_PARTIAL_422", 0, {81, 81, 90, 240}, {254, 0, 0, 254, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.photometric);
    Bytes rgb(6);
    ASSERT_TRUE(YbrFrameToRgb(c.photometric, c.planar, 1, 2, c.frame, rgb));
    for (size_t i = 0; i < rgb.size(); ++i)
      EXPECT_NEAR(rgb[i], c.rgb[i], 1) << "sample " << i;
  }
  Bytes rgb(9);
  EXPECT_FALSE(YbrFrameToRgb("YBR_FULL_422", 0, 1, 3, Bytes(6), rgb)) << "an odd pixel count";
  EXPECT_FALSE(YbrFrameToRgb("YBR_PARTIAL_420", 0, 1, 3, Bytes(6), rgb));
  EXPECT_FALSE(YbrFrameToRgb("YBR_FULL", 0, 1, 3, Bytes(8), rgb)) << "a short frame";
  EXPECT_FALSE(YbrFrameToRgb("RGB", 0, 1, 3, Bytes(9), rgb));
}

}  // namespace
}  // namespace norvane
