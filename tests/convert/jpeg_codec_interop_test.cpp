// The JPEG adapters against DCMTK's dcmcjpeg and dcmdjpeg, at file level: streams DCMTK
// writes decode to DCMTK's pixels, and our lossless streams decode in DCMTK to the original
// samples. pydicom (tests/convert/jpeg_interop.py) writes and takes apart the files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "convert/conversion_peers.hpp"
#include "convert/jpeg_codec.hpp"
#include "convert/jpeg_frame_info.hpp"
#include "convert/jpeg_test_images.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::RunProgram;

constexpr const char* kLosslessSv1 = "1.2.840.10008.1.2.4.70";
constexpr const char* kBaseline = "1.2.840.10008.1.2.4.50";

struct Image {
  std::string name;
  int bits;  // 8, 12 (in 16) or 16
  int rows;
  int columns;
  int samples;
  std::vector<uint8_t> pixels;  // native little-endian pixel data

  std::size_t BytesPerSample() const { return bits == 8 ? 1 : 2; }
};

Image MakeImage(const std::string& name, int bits, int rows, int columns, int samples,
                unsigned seed) {
  const unsigned maxValue = (1u << bits) - 1;
  const std::size_t count = static_cast<std::size_t>(rows) * columns * samples;
  // Left half random, right half a ramp: both noise and smooth areas.
  auto random = testing::RandomSamples(count, maxValue, seed);
  const auto ramp = testing::GradientSamples(columns, rows, samples, maxValue);
  for (std::size_t i = 0; i < count; ++i) {
    if ((i / samples) % columns >= static_cast<std::size_t>(columns / 2)) random[i] = ramp[i];
  }
  Image image{name, bits, rows, columns, samples, {}};
  image.pixels = bits == 8 ? testing::Narrow(random) : testing::LittleEndianBytes(random);
  return image;
}

int EncodeLossless(const Image& image, std::vector<uint8_t>& stream) {
  if (image.bits == 8) {
    return JpegEncode8(image.columns, image.rows, image.samples, image.pixels, stream,
                       kJpegModeLossless);
  }
  if (image.bits == 12)
    return JpegEncode12(image.columns, image.rows, image.samples, image.pixels, stream);
  return JpegEncode16(image.columns, image.rows, image.samples, image.pixels, stream);
}

int MaxDifference(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  int most = 0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    most = std::max(most, std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i])));
  }
  return most;
}

class JpegInterop : public testing::ConversionPeers {
 protected:
  void SetUp() override { Require({"dcmcjpeg", "dcmdjpeg"}); }

  void Write(const std::string& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
  }

  void Helper(std::vector<std::string> args) {
    args.insert(args.begin(), {"/usr/bin/python3",
                               std::string(NORVANE_SOURCE_DIR) + "/tests/convert/jpeg_interop.py"});
    Run(args);
  }

  std::vector<std::string> Shape(const Image& image) {
    return {std::to_string(image.bits), std::to_string(image.rows), std::to_string(image.columns),
            std::to_string(image.samples)};
  }

  // An uncompressed file of the image, compressed by dcmcjpeg with `options`.
  std::string CompressWithDcmtk(const Image& image, const std::vector<std::string>& options) {
    const std::string raw = Path(image.name + ".raw");
    const std::string plain = Path(image.name + ".dcm");
    const std::string compressed = Path(image.name + "-dcmcjpeg.dcm");
    Write(raw, image.pixels);
    std::vector<std::string> make{"make", plain};
    for (auto& s : Shape(image))
      make.push_back(s);
    make.push_back(raw);
    Helper(make);
    std::vector<std::string> argv{"dcmcjpeg"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {plain, compressed});
    Run(argv);
    return compressed;
  }

  std::vector<uint8_t> Fragment(const std::string& file) {
    const std::string out = file + ".jpg";
    Helper({"fragment", file, out});
    return testing::ReadFileBytes(out);
  }

  // dcmdjpeg's decompression of `file`, as native pixel data bytes.
  std::vector<uint8_t> DecompressWithDcmtk(const std::string& file, std::size_t size) {
    const std::string plain = file + ".dcmdjpeg.dcm";
    const std::string out = file + ".pixels";
    Run({"dcmdjpeg", file, plain});
    Helper({"pixels", plain, out});
    auto pixels = testing::ReadFileBytes(out);
    EXPECT_TRUE(pixels.size() == size || pixels.size() == size + 1)
        << "dcmdjpeg gave " << pixels.size() << " bytes of pixel data, expected " << size;
    pixels.resize(size);
    return pixels;
  }

  // Our stream wrapped as the single fragment of an encapsulated file.
  std::string Wrap(const Image& image, std::span<const uint8_t> stream, const char* syntax) {
    const std::string jpeg = Path(image.name + "-ours.jpg");
    const std::string file = Path(image.name + "-ours.dcm");
    Write(jpeg, stream);
    std::vector<std::string> wrap{"wrap", file};
    for (auto& s : Shape(image))
      wrap.push_back(s);
    wrap.insert(wrap.end(), {jpeg, syntax});
    Helper(wrap);
    return file;
  }
};

std::vector<Image> LosslessImages() {
  return {MakeImage("grey8", 8, 45, 67, 1, 1), MakeImage("rgb8", 8, 33, 51, 3, 2),
          MakeImage("grey12", 12, 41, 63, 1, 3), MakeImage("grey16", 16, 39, 71, 1, 4)};
}

TEST_F(JpegInterop, DcmcjpegLossless_OurDecoderGivesDcmdjpegPixels) {
  struct Case {
    Image image;
    std::vector<std::string> options;
    int precision;      // of the stream dcmcjpeg writes
    bool exact = true;  // the stream holds the original samples
  };
  std::vector<Case> cases;
  for (const Image& image : LosslessImages()) {
    // dcmcjpeg codes 12 stored bits in 16 allocated as 16-bit samples unless told otherwise.
    cases.push_back({image, {"+e1"}, image.bits == 12 ? 16 : image.bits});
  }
  // A 12-bit lossless-process stream from DCMTK: only its older codec writes one, and that
  // rescales the samples, so only the two decoders are compared.
  cases.push_back({MakeImage("grey12-p12", 12, 41, 63, 1, 10), {"+e1", "+pl", "+bt"}, 12, false});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image.name);
    const std::string file = CompressWithDcmtk(c.image, c.options);
    const auto stream = Fragment(file);
    const auto info = ReadJpegFrameInfo(stream);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->lossless()) << "SOF marker FF" << std::hex << int{info->marker};
    ASSERT_EQ(info->precision, c.precision);

    std::vector<uint8_t> ours(c.image.pixels.size());
    const int decoded = c.precision == 8    ? JpegDecode8(stream, ours)
                        : c.precision == 12 ? JpegDecode12(stream, ours)
                                            : JpegDecode16(stream, ours);
    ASSERT_EQ(decoded, 0);
    const auto theirs = DecompressWithDcmtk(file, c.image.pixels.size());
    EXPECT_TRUE(ours == theirs) << "largest difference " << MaxDifference(ours, theirs);
    if (c.exact) {
      EXPECT_TRUE(ours == c.image.pixels);
    }
    if (c.precision == 12) {
      // 12-bit samples in 16-bit words: the 16-bit decoder reads the stream as well.
      std::vector<uint8_t> wide(c.image.pixels.size());
      ASSERT_EQ(JpegDecode16(stream, wide), 0);
      EXPECT_TRUE(wide == ours);
    }
  }
}

TEST_F(JpegInterop, OurLosslessStream_DcmdjpegGivesOriginalSamples) {
  for (const Image& image : LosslessImages()) {
    SCOPED_TRACE(image.name);
    std::vector<uint8_t> stream;
    ASSERT_EQ(EncodeLossless(image, stream), 0);
    const std::string file = Wrap(image, stream, kLosslessSv1);
    EXPECT_TRUE(DecompressWithDcmtk(file, image.pixels.size()) == image.pixels);
  }
}

TEST_F(JpegInterop, OurLosslessStream_FullSixteenBitRangeSurvivesDcmdjpeg) {
  Image image{"extremes16", 16, 17, 31, 1, {}};
  const uint16_t pattern[] = {0, 32768, 65535, 32767, 0, 65535, 1, 32769, 65535, 65535, 0};
  std::vector<uint16_t> samples;
  for (int i = 0; i < 17 * 31; ++i)
    samples.push_back(pattern[i % 11]);
  image.pixels = testing::LittleEndianBytes(samples);
  std::vector<uint8_t> stream;
  ASSERT_EQ(EncodeLossless(image, stream), 0);
  const std::string file = Wrap(image, stream, kLosslessSv1);
  EXPECT_TRUE(DecompressWithDcmtk(file, image.pixels.size()) == image.pixels);
}

TEST_F(JpegInterop, DcmcjpegBaseline_OurDecoderGivesDcmdjpegPixels) {
  struct Case {
    Image image;
    std::vector<std::string> options;
  };
  const std::vector<Case> cases{{MakeImage("base-grey8", 8, 45, 67, 1, 5), {"+eb"}},
                                {MakeImage("base-rgb422", 8, 33, 51, 3, 6), {"+eb"}},
                                {MakeImage("base-rgb444", 8, 33, 51, 3, 7), {"+eb", "+s4"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image.name);
    const std::string file = CompressWithDcmtk(c.image, c.options);
    const auto stream = Fragment(file);
    ASSERT_TRUE(ReadJpegFrameInfo(stream));
    EXPECT_TRUE(ReadJpegFrameInfo(stream)->baseline());
    std::vector<uint8_t> ours(c.image.pixels.size());
    ASSERT_EQ(JpegDecode8(stream, ours), 0);
    const auto theirs = DecompressWithDcmtk(file, c.image.pixels.size());
    // Both are IJG-derived decoders; rounding in the colour and upsampling steps may differ.
    EXPECT_LE(MaxDifference(ours, theirs), 1);
  }
}

TEST_F(JpegInterop, DcmcjpegExtended12_TwelveBitDecoderGivesDcmdjpegPixels) {
  const Image image = MakeImage("ext12", 12, 41, 63, 1, 8);
  const std::string file = CompressWithDcmtk(image, {"+ee"});
  const auto stream = Fragment(file);
  const auto info = ReadJpegFrameInfo(stream);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->marker, 0xC1);
  EXPECT_EQ(info->precision, 12);
  std::vector<uint8_t> ours(image.pixels.size());
  ASSERT_EQ(JpegDecode12(stream, ours), 0);
  const auto theirs = DecompressWithDcmtk(file, image.pixels.size());
  EXPECT_EQ(MaxDifference(ours, theirs), 0);
}

TEST_F(JpegInterop, OurBaselineStream_DcmdjpegDecodesClose) {
  for (int samples : {1, 3}) {
    const Image image = MakeImage("ours-base" + std::to_string(samples), 8, 45, 67, samples, 9);
    std::vector<uint8_t> stream;
    ASSERT_EQ(JpegEncode8(image.columns, image.rows, image.samples, image.pixels, stream,
                          kJpegModeBaseline),
              0);
    const std::string file = Wrap(image, stream, kBaseline);
    const auto theirs = DecompressWithDcmtk(file, image.pixels.size());
    std::vector<uint8_t> ours(image.pixels.size());
    ASSERT_EQ(JpegDecode8(stream, ours), 0);
    EXPECT_LE(MaxDifference(ours, theirs), 1) << samples << " samples per pixel";
  }
}

}  // namespace
}  // namespace norvane
