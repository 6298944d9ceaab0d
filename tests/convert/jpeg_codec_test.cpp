#include "convert/jpeg_codec.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "convert/jpeg_frame_info.hpp"
#include "convert/jpeg_test_images.hpp"

namespace norvane {
namespace {

using testing::FindSegment;
using testing::GradientSamples;
using testing::LittleEndianBytes;
using testing::Narrow;
using testing::RandomSamples;

constexpr uint8_t kSOF0 = 0xC0;
constexpr uint8_t kSOF3 = 0xC3;
constexpr uint8_t kSOS = 0xDA;
constexpr uint8_t kGuard = 0xA5;

struct Frame {
  int columns;
  int rows;
  int components;
  std::vector<uint8_t> bytes;
};

using Encoder = int (*)(const Frame&, std::vector<uint8_t>&);
using Decoder = int (*)(std::span<const uint8_t>, std::span<uint8_t>);

int Lossless8(const Frame& f, std::vector<uint8_t>& out) {
  return JpegEncode8(f.columns, f.rows, f.components, f.bytes, out, kJpegModeLossless);
}
int Baseline8(const Frame& f, std::vector<uint8_t>& out) {
  return JpegEncode8(f.columns, f.rows, f.components, f.bytes, out, kJpegModeBaseline);
}
int Lossless12(const Frame& f, std::vector<uint8_t>& out) {
  return JpegEncode12(f.columns, f.rows, f.components, f.bytes, out);
}
int Lossless16(const Frame& f, std::vector<uint8_t>& out) {
  return JpegEncode16(f.columns, f.rows, f.components, f.bytes, out);
}

std::string Hex(std::span<const uint8_t> bytes, std::size_t count = 16) {
  std::string text;
  char part[4];
  for (std::size_t i = 0; i < std::min(count, bytes.size()); ++i) {
    std::snprintf(part, sizeof part, "%02X ", bytes[i]);
    text += part;
  }
  return text;
}

// Encodes, checks the frame header, decodes into an exactly sized buffer and compares.
void ExpectLosslessRoundTrip(const Frame& frame, Encoder encode, Decoder decode, int precision) {
  SCOPED_TRACE(std::to_string(frame.columns) + "x" + std::to_string(frame.rows) + "x" +
               std::to_string(frame.components) + " at " + std::to_string(precision) + " bits");
  std::vector<uint8_t> stream;
  ASSERT_EQ(encode(frame, stream), 0);
  const auto info = ReadJpegFrameInfo(stream);
  ASSERT_TRUE(info) << "stream starts " << Hex(stream);
  EXPECT_EQ(info->marker, kSOF3);
  EXPECT_EQ(info->precision, precision);
  EXPECT_EQ(info->columns, frame.columns);
  EXPECT_EQ(info->rows, frame.rows);
  EXPECT_EQ(info->components, frame.components);
  EXPECT_EQ(stream[stream.size() - 2], 0xFF);
  EXPECT_EQ(stream[stream.size() - 1], 0xD9) << "stream does not end with EOI";

  std::vector<uint8_t> decoded(frame.bytes.size(), kGuard);
  ASSERT_EQ(decode(stream, decoded), 0);
  EXPECT_TRUE(decoded == frame.bytes)
      << "first decoded bytes " << Hex(decoded) << "\nfirst source bytes  " << Hex(frame.bytes);
}

Frame Frame8(int columns, int rows, int components, const std::vector<uint16_t>& samples) {
  return {columns, rows, components, Narrow(samples)};
}
Frame Frame16(int columns, int rows, int components, const std::vector<uint16_t>& samples) {
  return {columns, rows, components, LittleEndianBytes(samples)};
}

TEST(JpegLossless, EightBitGreyRoundTripsExactly) {
  for (auto [c, r] : {std::pair{64, 48}, {37, 23}, {1, 1}, {1, 17}, {19, 1}}) {
    const std::size_t n = static_cast<std::size_t>(c) * r;
    ExpectLosslessRoundTrip(Frame8(c, r, 1, RandomSamples(n, 255, 1)), Lossless8, JpegDecode8, 8);
    ExpectLosslessRoundTrip(Frame8(c, r, 1, GradientSamples(c, r, 1, 255)), Lossless8, JpegDecode8,
                            8);
  }
}

TEST(JpegLossless, EightBitRgbRoundTripsExactlyWithoutColourTransform) {
  for (auto [c, r] : {std::pair{64, 48}, {33, 7}, {1, 1}}) {
    const std::size_t n = static_cast<std::size_t>(c) * r * 3;
    ExpectLosslessRoundTrip(Frame8(c, r, 3, RandomSamples(n, 255, 2)), Lossless8, JpegDecode8, 8);
    ExpectLosslessRoundTrip(Frame8(c, r, 3, GradientSamples(c, r, 3, 255)), Lossless8, JpegDecode8,
                            8);
  }
}

TEST(JpegLossless, TwelveBitRoundTripsExactly) {
  for (auto [c, r] : {std::pair{64, 48}, {31, 9}, {1, 1}}) {
    const std::size_t n = static_cast<std::size_t>(c) * r;
    ExpectLosslessRoundTrip(Frame16(c, r, 1, RandomSamples(n, 4095, 3)), Lossless12, JpegDecode12,
                            12);
    ExpectLosslessRoundTrip(Frame16(c, r, 1, GradientSamples(c, r, 1, 4095)), Lossless12,
                            JpegDecode12, 12);
  }
}

TEST(JpegLossless, SixteenBitFullRangeRoundTripsExactly) {
  for (auto [c, r] : {std::pair{64, 48}, {45, 11}, {1, 1}}) {
    const std::size_t n = static_cast<std::size_t>(c) * r;
    ExpectLosslessRoundTrip(Frame16(c, r, 1, RandomSamples(n, 65535, 4)), Lossless16, JpegDecode16,
                            16);
    ExpectLosslessRoundTrip(Frame16(c, r, 1, GradientSamples(c, r, 1, 65535)), Lossless16,
                            JpegDecode16, 16);
  }
  // Neighbours such as 0 and 32768 or 65535 and 32767: the predictor difference is 32768, the
  // one value of the 16-bit category, which carries no extra bits.
  const uint16_t pattern[] = {0, 32768, 65535, 32767, 0, 65535, 1, 32769};
  std::vector<uint16_t> extremes;
  for (int i = 0; i < 13 * 5; ++i)
    extremes.push_back(pattern[i % 8]);
  ExpectLosslessRoundTrip(Frame16(13, 5, 1, extremes), Lossless16, JpegDecode16, 16);
  ExpectLosslessRoundTrip(Frame16(1, 1, 1, {65535}), Lossless16, JpegDecode16, 16);
  ExpectLosslessRoundTrip(Frame16(1, 1, 1, {0}), Lossless16, JpegDecode16, 16);
}

TEST(JpegLossless, SixteenBitRgbRoundTripsExactly) {
  ExpectLosslessRoundTrip(Frame16(21, 13, 3, RandomSamples(21 * 13 * 3, 65535, 5)), Lossless16,
                          JpegDecode16, 16);
}

TEST(JpegLossless, ScanUsesPredictorOneAndNoPointTransform) {
  const Frame frame = Frame16(16, 16, 1, GradientSamples(16, 16, 1, 65535));
  std::vector<uint8_t> stream;
  ASSERT_EQ(Lossless16(frame, stream), 0);
  const auto sos = FindSegment(stream, kSOS);
  ASSERT_TRUE(sos);
  // Ns, (Cs, Td/Ta) x Ns, Ss = predictor, Se = 0, Ah/Al = point transform.
  ASSERT_EQ(sos->body.size(), 6u);
  EXPECT_EQ(sos->body[3], 1) << "predictor";
  EXPECT_EQ(sos->body[4], 0);
  EXPECT_EQ(sos->body[5], 0) << "point transform";
}

TEST(JpegLossless, OneByOneGreyEncodesInBothModes) {
  const Frame frame = Frame8(1, 1, 1, {200});
  std::vector<uint8_t> stream;
  ASSERT_EQ(Baseline8(frame, stream), 0);
  EXPECT_EQ(ReadJpegFrameInfo(stream)->marker, kSOF0);
  std::vector<uint8_t> decoded(1);
  ASSERT_EQ(JpegDecode8(stream, decoded), 0);
  EXPECT_NEAR(decoded[0], 200, 2);
  ExpectLosslessRoundTrip(frame, Lossless8, JpegDecode8, 8);
}

TEST(JpegEncode, TwelveBitSampleAboveRangeFailsInsteadOfBeingCut) {
  std::vector<uint16_t> samples = GradientSamples(8, 8, 1, 4095);
  samples[27] = 4096;
  std::vector<uint8_t> stream{1, 2, 3};
  EXPECT_EQ(Lossless12(Frame16(8, 8, 1, samples), stream), -1);
  EXPECT_TRUE(stream.empty());
}

TEST(JpegEncode, RejectsUnknownModeBadShapeAndShortInput) {
  const std::vector<uint8_t> samples(12 * 10 * 3, 128);
  std::vector<uint8_t> stream;
  for (int mode : {1, 2, 3, 5, 14, -1}) {
    stream.assign(4, 0);
    EXPECT_EQ(JpegEncode8(12, 10, 1, samples, stream, mode), -1) << "mode " << mode;
    EXPECT_TRUE(stream.empty()) << "mode " << mode;
  }
  EXPECT_EQ(JpegEncode8(0, 10, 1, samples, stream, kJpegModeLossless), -1);
  EXPECT_EQ(JpegEncode8(12, 0, 1, samples, stream, kJpegModeBaseline), -1);
  EXPECT_EQ(JpegEncode8(12, 10, 2, samples, stream, kJpegModeLossless), -1);
  EXPECT_EQ(JpegEncode8(65536, 1, 1, std::vector<uint8_t>(65536), stream, kJpegModeLossless), -1);
  const std::span<const uint8_t> short8(samples.data(), 12 * 10 * 3 - 1);
  EXPECT_EQ(JpegEncode8(12, 10, 3, short8, stream, kJpegModeLossless), -1);
  EXPECT_EQ(JpegEncode8(12, 10, 3, short8, stream, kJpegModeBaseline), -1);
  const std::span<const uint8_t> short16(samples.data(), 12 * 10 * 2 - 1);
  EXPECT_EQ(JpegEncode12(12, 10, 1, short16, stream), -1);
  EXPECT_EQ(JpegEncode16(12, 10, 1, short16, stream), -1);
  EXPECT_TRUE(stream.empty());
}

TEST(JpegEncode, LibraryErrorBecomesFailureResult) {
  // A frame header can say 65535 columns, the libraries stop at 65500: their fatal error
  // must come back as -1 with nothing left over (the sanitizer build checks for leaks).
  const std::vector<uint8_t> row(65535 * 3 * 2, 7);
  std::vector<uint8_t> stream{1};
  EXPECT_EQ(JpegEncode8(65535, 1, 1, row, stream, kJpegModeBaseline), -1);
  EXPECT_TRUE(stream.empty());
  EXPECT_EQ(JpegEncode8(65535, 1, 3, row, stream, kJpegModeLossless), -1);
  EXPECT_EQ(JpegEncode12(65535, 1, 1, row, stream), -1);
  EXPECT_EQ(JpegEncode16(65535, 1, 1, row, stream), -1);
  EXPECT_TRUE(stream.empty());
  // And the next call works as usual.
  EXPECT_EQ(JpegEncode16(65500, 1, 1, row, stream), 0);
}

TEST(JpegEncode, OutputReplacesWhatTheStreamHeld) {
  const Frame frame = Frame8(9, 9, 1, RandomSamples(81, 255, 6));
  std::vector<uint8_t> fresh;
  ASSERT_EQ(Lossless8(frame, fresh), 0);
  std::vector<uint8_t> reused(100000, 0x55);
  ASSERT_EQ(Lossless8(frame, reused), 0);
  EXPECT_EQ(reused, fresh);
}

TEST(JpegEncode, LargeFrameSpansManyWorkBuffers) {
  // Random 16-bit samples hardly compress: well over 16 KiB of output.
  const Frame frame = Frame16(300, 200, 1, RandomSamples(300 * 200, 65535, 7));
  ExpectLosslessRoundTrip(frame, Lossless16, JpegDecode16, 16);
}

TEST(JpegBaseline, WritesSof0WithFullResolutionColour) {
  for (int columns : {33, 64, 1, 7}) {
    const int rows = 17;
    const Frame frame = Frame8(columns, rows, 3, GradientSamples(columns, rows, 3, 255));
    std::vector<uint8_t> stream;
    ASSERT_EQ(Baseline8(frame, stream), 0) << columns << " columns";
    const auto sof = FindSegment(stream, kSOF0);
    ASSERT_TRUE(sof) << "no SOF0 in a baseline stream of " << columns << " columns";
    // P, Y, X, Nf, then per component: C, H/V, Tq.
    ASSERT_EQ(sof->body.size(), 6u + 3u * 3u);
    EXPECT_EQ(sof->body[0], 8);
    EXPECT_EQ((sof->body[1] << 8) | sof->body[2], rows);
    EXPECT_EQ((sof->body[3] << 8) | sof->body[4], columns);
    ASSERT_EQ(sof->body[5], 3);
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(sof->body[6 + 3 * c + 1], 0x11)
          << "component " << c << " sampling " << Hex(std::span(sof->body).subspan(6 + 3 * c, 3));
    }
    EXPECT_FALSE(FindSegment(stream, kSOF3));
  }
}

TEST(JpegBaseline, CodesRgbWithoutColourTransform) {
  const Frame frame = Frame8(20, 10, 3, RandomSamples(600, 255, 15));
  std::vector<uint8_t> stream;
  ASSERT_EQ(Baseline8(frame, stream), 0);
  // APP14 "Adobe" with transform 0 tells every decoder that the components are R, G, B.
  const auto adobe = FindSegment(stream, 0xEE);
  ASSERT_TRUE(adobe) << "no APP14 segment; stream starts " << Hex(stream, 40);
  ASSERT_EQ(adobe->body.size(), 12u);
  EXPECT_EQ(std::string(adobe->body.begin(), adobe->body.begin() + 5), "Adobe");
  EXPECT_EQ(adobe->body[11], 0) << "colour transform flag";
  EXPECT_FALSE(FindSegment(stream, 0xE0)) << "a JFIF header would announce YCbCr";
}

TEST(JpegBaseline, DecodesCloseToTheInput) {
  const int columns = 61, rows = 45;
  for (int components : {1, 3}) {
    const Frame frame =
        Frame8(columns, rows, components, GradientSamples(columns, rows, components, 255));
    std::vector<uint8_t> stream;
    ASSERT_EQ(Baseline8(frame, stream), 0);
    ASSERT_EQ(ReadJpegFrameInfo(stream)->marker, kSOF0);
    std::vector<uint8_t> decoded(frame.bytes.size());
    ASSERT_EQ(JpegDecode8(stream, decoded), 0);
    EXPECT_GT(testing::Psnr8(frame.bytes, decoded), 30.0) << components << " components";
  }
}

// Decoding failures: every case returns -1 and leaves the bytes after the destination alone.
class JpegDecodeFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Lossless8(Frame8(40, 30, 1, RandomSamples(1200, 255, 8)), lossless8_), 0);
    ASSERT_EQ(Lossless16(Frame16(40, 30, 1, RandomSamples(1200, 65535, 9)), lossless16_), 0);
    ASSERT_EQ(Lossless12(Frame16(40, 30, 1, RandomSamples(1200, 4095, 10)), lossless12_), 0);
    ASSERT_EQ(Baseline8(Frame8(40, 30, 3, RandomSamples(3600, 255, 11)), baseline_), 0);
  }

  // Decodes into the first `capacity` bytes of a larger buffer and checks the rest.
  int DecodeInto(Decoder decode, std::span<const uint8_t> stream, std::size_t capacity) {
    std::vector<uint8_t> buffer(capacity + 64, kGuard);
    const int result = decode(stream, std::span(buffer).first(capacity));
    for (std::size_t i = capacity; i < buffer.size(); ++i) {
      EXPECT_EQ(buffer[i], kGuard) << "written past the destination at " << i;
    }
    return result;
  }

  std::vector<uint8_t> lossless8_, lossless12_, lossless16_, baseline_;
};

TEST_F(JpegDecodeFailure, TruncatedStreamFails) {
  struct Case {
    Decoder decode;
    const std::vector<uint8_t>* stream;
    std::size_t size;
  };
  for (const Case& c :
       {Case{JpegDecode8, &lossless8_, 1200}, Case{JpegDecode12, &lossless12_, 2400},
        Case{JpegDecode16, &lossless16_, 2400}, Case{JpegDecode8, &baseline_, 3600}}) {
    const std::span<const uint8_t> half(c.stream->data(), c.stream->size() / 2);
    EXPECT_EQ(DecodeInto(c.decode, half, c.size), -1) << "stream starts " << Hex(half);
    // Only the EOI missing still fails: the stream did not end properly.
    const std::span<const uint8_t> noEoi(c.stream->data(), c.stream->size() - 2);
    EXPECT_EQ(DecodeInto(c.decode, noEoi, c.size), -1);
    EXPECT_EQ(DecodeInto(c.decode, std::span(*c.stream), c.size), 0);
  }
}

TEST_F(JpegDecodeFailure, GarbageFails) {
  std::vector<uint8_t> garbage = Narrow(RandomSamples(5000, 255, 12));
  for (Decoder decode : {JpegDecode8, JpegDecode12, JpegDecode16}) {
    EXPECT_EQ(DecodeInto(decode, garbage, 20000), -1);
    EXPECT_EQ(DecodeInto(decode, {}, 20000), -1);
    // A real header followed by garbage instead of entropy-coded data.
    std::vector<uint8_t> headerThenGarbage(lossless16_.begin(), lossless16_.begin() + 40);
    headerThenGarbage.insert(headerThenGarbage.end(), garbage.begin(), garbage.end());
    EXPECT_EQ(DecodeInto(decode, headerThenGarbage, 20000), -1);
  }
  const std::vector<uint8_t> soiOnly{0xFF, 0xD8};
  EXPECT_EQ(DecodeInto(JpegDecode8, soiOnly, 100), -1);
}

TEST_F(JpegDecodeFailure, DestinationTooSmallFailsWithoutWriting) {
  struct Case {
    Decoder decode;
    const std::vector<uint8_t>* stream;
    std::size_t size;
  };
  for (const Case& c :
       {Case{JpegDecode8, &lossless8_, 1200}, Case{JpegDecode12, &lossless12_, 2400},
        Case{JpegDecode16, &lossless16_, 2400}, Case{JpegDecode8, &baseline_, 3600}}) {
    for (std::size_t capacity : {c.size - 1, c.size / 2, std::size_t{1}, std::size_t{0}}) {
      std::vector<uint8_t> buffer(capacity + 64, kGuard);
      EXPECT_EQ(c.decode(*c.stream, std::span(buffer).first(capacity)), -1) << capacity;
      EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == kGuard; }))
          << "destination of " << capacity << " bytes was written";
    }
  }
}

TEST_F(JpegDecodeFailure, LargerDestinationTakesTheImageAtItsStart) {
  std::vector<uint8_t> buffer(5000, kGuard);
  ASSERT_EQ(JpegDecode16(lossless16_, buffer), 0);
  EXPECT_EQ(buffer[2400], kGuard);
  EXPECT_EQ(buffer[4999], kGuard);
}

TEST(JpegLossless, WiderDecoderReadsNarrowerLosslessStreams) {
  const auto grey = RandomSamples(23 * 7, 255, 13);
  std::vector<uint8_t> stream8;
  ASSERT_EQ(Lossless8(Frame8(23, 7, 1, grey), stream8), 0);
  const auto wide = LittleEndianBytes(grey);
  std::vector<uint8_t> decoded(wide.size());
  ASSERT_EQ(JpegDecode12(stream8, decoded), 0);
  EXPECT_EQ(decoded, wide);
  ASSERT_EQ(JpegDecode16(stream8, decoded), 0);
  EXPECT_EQ(decoded, wide);

  const Frame twelve = Frame16(23, 7, 1, RandomSamples(23 * 7, 4095, 14));
  std::vector<uint8_t> stream12;
  ASSERT_EQ(Lossless12(twelve, stream12), 0);
  ASSERT_EQ(JpegDecode16(stream12, decoded), 0);
  EXPECT_EQ(decoded, twelve.bytes);
}

TEST_F(JpegDecodeFailure, DamagedStreamsNeverWritePastTheDestination) {
  struct Case {
    Decoder decode;
    const std::vector<uint8_t>* stream;
    std::size_t size;
  };
  std::mt19937 generator(16);
  for (const Case& c :
       {Case{JpegDecode8, &lossless8_, 1200}, Case{JpegDecode12, &lossless12_, 2400},
        Case{JpegDecode16, &lossless16_, 2400}, Case{JpegDecode8, &baseline_, 3600}}) {
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> damaged = *c.stream;
      std::uniform_int_distribution<std::size_t> where(0, damaged.size() - 1);
      // Most damage in the headers, where the sizes and tables are.
      for (int hits = 0; hits < 3; ++hits) {
        const std::size_t at = round % 2 ? where(generator) : where(generator) % 200;
        damaged[at] = static_cast<uint8_t>(generator());
      }
      const int result = DecodeInto(c.decode, damaged, c.size);
      EXPECT_TRUE(result == 0 || result == -1);
      ReadJpegFrameInfo(damaged);
    }
  }
}

TEST_F(JpegDecodeFailure, StreamOfAnotherPrecisionFails) {
  EXPECT_EQ(DecodeInto(JpegDecode8, lossless16_, 100000), -1);
  EXPECT_EQ(DecodeInto(JpegDecode8, lossless12_, 100000), -1);
  EXPECT_EQ(DecodeInto(JpegDecode12, lossless16_, 100000), -1);
  // DCT streams need the decoder of their own precision.
  EXPECT_EQ(DecodeInto(JpegDecode12, baseline_, 100000), -1);
  EXPECT_EQ(DecodeInto(JpegDecode16, baseline_, 100000), -1);
}

}  // namespace
}  // namespace norvane
