#pragma once

// Frames and stream inspection shared by the JPEG codec tests.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <vector>

namespace norvane::testing {

// Samples 0..maxValue, uniformly random.
inline std::vector<uint16_t> RandomSamples(std::size_t count, unsigned maxValue, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<unsigned> value(0, maxValue);
  std::vector<uint16_t> samples(count);
  for (auto& s : samples)
    s = static_cast<uint16_t>(value(generator));
  return samples;
}

// A diagonal ramp over 0..maxValue with the extremes at the corners, so that neighbours
// 0 and maxValue meet where the ramp wraps.
inline std::vector<uint16_t> GradientSamples(int columns, int rows, int components,
                                             unsigned maxValue) {
  std::vector<uint16_t> samples;
  samples.reserve(static_cast<std::size_t>(columns) * rows * components);
  const unsigned span = static_cast<unsigned>(columns + rows);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) {
      for (int c = 0; c < components; ++c) {
        const unsigned step = static_cast<unsigned>(x + y + c * 7) % span;
        const uint64_t value = static_cast<uint64_t>(step) * maxValue / (span > 1 ? span - 1 : 1);
        samples.push_back(static_cast<uint16_t>(value));
      }
    }
  }
  return samples;
}

inline std::vector<uint8_t> Narrow(const std::vector<uint16_t>& samples) {
  return std::vector<uint8_t>(samples.begin(), samples.end());
}

// Two bytes per sample, little endian, as native DICOM pixel data.
inline std::vector<uint8_t> LittleEndianBytes(const std::vector<uint16_t>& samples) {
  std::vector<uint8_t> bytes;
  bytes.reserve(samples.size() * 2);
  for (uint16_t s : samples) {
    bytes.push_back(static_cast<uint8_t>(s & 0xFF));
    bytes.push_back(static_cast<uint8_t>(s >> 8));
  }
  return bytes;
}

// A marker segment of a JPEG stream: the marker code and the bytes after its length field.
struct Segment {
  uint8_t marker = 0;
  std::vector<uint8_t> body;
};

// The segments from SOI up to and including the first SOS; empty on malformed input.
inline std::vector<Segment> HeaderSegments(std::span<const uint8_t> stream) {
  std::vector<Segment> segments;
  std::size_t at = 2;
  while (at + 4 <= stream.size() && stream[at] == 0xFF) {
    const uint8_t marker = stream[at + 1];
    const std::size_t length = (stream[at + 2] << 8) | stream[at + 3];
    if (length < 2 || at + 2 + length > stream.size()) return {};
    segments.push_back(
        {marker, std::vector<uint8_t>(stream.begin() + at + 4, stream.begin() + at + 2 + length)});
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return segments;
}

inline std::optional<Segment> FindSegment(std::span<const uint8_t> stream, uint8_t marker) {
  for (auto& s : HeaderSegments(stream)) {
    if (s.marker == marker) return s;
  }
  return std::nullopt;
}

// Peak signal-to-noise ratio of 8-bit samples in dB (infinite when equal).
inline double Psnr8(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  double squared = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
    squared += d * d;
  }
  if (squared == 0) return 1e9;
  const double mse = squared / static_cast<double>(a.size());
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace norvane::testing
