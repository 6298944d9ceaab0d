// Throughput of the JPEG adapters on one frame, in bytes of uncompressed pixel data per
// second: lossless 16-bit greyscale and 8-bit RGB at 512 x 512, and baseline 8-bit RGB.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "convert/jpeg_codec.hpp"

namespace {

constexpr int kSize = 512;

// A smooth radial pattern with a little noise, closer to an image than pure noise is.
std::vector<uint8_t> Frame(int components, int bits) {
  std::mt19937 generator(42);
  std::normal_distribution<double> noise(0.0, bits == 8 ? 2.0 : 40.0);
  const double top = bits == 8 ? 255.0 : 65535.0;
  std::vector<uint8_t> bytes;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      for (int c = 0; c < components; ++c) {
        const double r = std::hypot(x - kSize / 2.0, y - kSize / 2.0 + c * 20) / kSize;
        const double v =
            std::clamp(top * (0.5 + 0.4 * std::cos(r * 12.0)) + noise(generator), 0.0, top);
        const auto sample = static_cast<unsigned>(v);
        bytes.push_back(static_cast<uint8_t>(sample & 0xFF));
        if (bits > 8) bytes.push_back(static_cast<uint8_t>(sample >> 8));
      }
    }
  }
  return bytes;
}

int Encode(int components, int bits, int mode, const std::vector<uint8_t>& frame,
           std::vector<uint8_t>& stream) {
  if (bits == 16) return norvane::JpegEncode16(kSize, kSize, components, frame, stream);
  return norvane::JpegEncode8(kSize, kSize, components, frame, stream, mode);
}

int Decode(int bits, const std::vector<uint8_t>& stream, std::vector<uint8_t>& out) {
  if (bits == 16) return norvane::JpegDecode16(stream, out);
  return norvane::JpegDecode8(stream, out);
}

void EncodeFrame(benchmark::State& state, int components, int bits, int mode) {
  const auto frame = Frame(components, bits);
  std::vector<uint8_t> stream;
  for (auto _ : state) {
    if (Encode(components, bits, mode, frame, stream) != 0) state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(stream.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(frame.size()));
  state.counters["ratio"] = static_cast<double>(frame.size()) / static_cast<double>(stream.size());
}

void DecodeFrame(benchmark::State& state, int components, int bits, int mode) {
  const auto frame = Frame(components, bits);
  std::vector<uint8_t> stream;
  if (Encode(components, bits, mode, frame, stream) != 0) {
    state.SkipWithError("encode failed");
    return;
  }
  std::vector<uint8_t> out(frame.size());
  for (auto _ : state) {
    if (Decode(bits, stream, out) != 0) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(frame.size()));
}

using norvane::kJpegModeBaseline;
using norvane::kJpegModeLossless;

BENCHMARK_CAPTURE(EncodeFrame, Lossless16Grey512, 1, 16, kJpegModeLossless);
BENCHMARK_CAPTURE(DecodeFrame, Lossless16Grey512, 1, 16, kJpegModeLossless);
BENCHMARK_CAPTURE(EncodeFrame, Lossless8Rgb512, 3, 8, kJpegModeLossless);
BENCHMARK_CAPTURE(DecodeFrame, Lossless8Rgb512, 3, 8, kJpegModeLossless);
BENCHMARK_CAPTURE(EncodeFrame, Baseline8Rgb512, 3, 8, kJpegModeBaseline);
BENCHMARK_CAPTURE(DecodeFrame, Baseline8Rgb512, 3, 8, kJpegModeBaseline);

}  // namespace

BENCHMARK_MAIN();
