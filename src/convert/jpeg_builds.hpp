#pragma once

// Entry points of the JPEG library builds, one translation unit each, in plain types so that
// no two builds' headers ever meet:
//   Turbo8: libjpeg-turbo, 8-bit samples, the DCT processes (fast, no lossless process);
//   Ijg8, Ijg12, Ijg16: the IJG 6b builds with the lossless extension, one per sample size.
// Samples wider than 8 bits travel as two bytes each, little endian.

#include <cstdint>
#include <span>
#include <vector>

namespace norvane::jpeg_builds {

struct FrameLayout {
  int columns = 0;
  int rows = 0;
  int components = 0;  // 1 (greyscale) or 3 (RGB)
};

enum class Process {
  Baseline,  // sequential DCT, Huffman, quality 75, no chroma subsampling
  Lossless,  // predictor 1, point transform 0
};

// Each returns true with the complete stream in `stream`, or false with `stream` in an
// unspecified state. `samples` must hold the whole frame.
bool EncodeTurbo8(const FrameLayout& layout, std::span<const uint8_t> samples, Process process,
                  std::vector<uint8_t>& stream);
bool EncodeIjg8(const FrameLayout& layout, std::span<const uint8_t> samples, Process process,
                std::vector<uint8_t>& stream);
bool EncodeIjg12(const FrameLayout& layout, std::span<const uint8_t> samples, Process process,
                 std::vector<uint8_t>& stream);
bool EncodeIjg16(const FrameLayout& layout, std::span<const uint8_t> samples, Process process,
                 std::vector<uint8_t>& stream);

// Each returns true when the whole image was decoded into the start of `destination`;
// false for any library error, a stream that ends early, or an image larger than
// `destination`.
bool DecodeTurbo8(std::span<const uint8_t> stream, std::span<uint8_t> destination);
bool DecodeIjg8(std::span<const uint8_t> stream, std::span<uint8_t> destination);
bool DecodeIjg12(std::span<const uint8_t> stream, std::span<uint8_t> destination);
bool DecodeIjg16(std::span<const uint8_t> stream, std::span<uint8_t> destination);

}  // namespace norvane::jpeg_builds
