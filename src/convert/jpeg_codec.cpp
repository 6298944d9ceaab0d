#include "convert/jpeg_codec.hpp"

#include <cstddef>

#include "convert/jpeg_builds.hpp"
#include "convert/jpeg_frame_info.hpp"

namespace norvane {

namespace {

using jpeg_builds::FrameLayout;
using jpeg_builds::Process;

constexpr int kMaxDimension = 65535;  // the frame header holds 16-bit line and column counts
constexpr int kSuccess = 0;
constexpr int kFailure = -1;

// The frame must be a size a JPEG frame header can carry, and `samples` must hold all of it.
bool FrameFits(const FrameLayout& layout, std::size_t bytesPerSample,
               std::span<const uint8_t> samples) {
  if (layout.columns < 1 || layout.columns > kMaxDimension) return false;
  if (layout.rows < 1 || layout.rows > kMaxDimension) return false;
  if (layout.components != 1 && layout.components != 3) return false;
  const std::size_t needed = static_cast<std::size_t>(layout.columns) *
                             static_cast<std::size_t>(layout.rows) *
                             static_cast<std::size_t>(layout.components) * bytesPerSample;
  return samples.size() >= needed;
}

using Encoder = bool (*)(const FrameLayout&, std::span<const uint8_t>, Process,
                         std::vector<uint8_t>&);

int Encode(Encoder encoder, const FrameLayout& layout, std::size_t bytesPerSample,
           std::span<const uint8_t> samples, Process process, std::vector<uint8_t>& stream) {
  stream.clear();
  if (!FrameFits(layout, bytesPerSample, samples)) return kFailure;
  if (!encoder(layout, samples, process, stream)) {
    stream.clear();
    return kFailure;
  }
  return kSuccess;
}

}  // namespace

int JpegEncode8(int columns, int rows, int components, std::span<const uint8_t> samples,
                std::vector<uint8_t>& stream, int mode) {
  const FrameLayout layout{columns, rows, components};
  switch (mode) {
    case kJpegModeBaseline:
      return Encode(&jpeg_builds::EncodeTurbo8, layout, 1, samples, Process::Baseline, stream);
    case kJpegModeLossless:
      return Encode(&jpeg_builds::EncodeIjg8, layout, 1, samples, Process::Lossless, stream);
    default:
      stream.clear();
      return kFailure;
  }
}

int JpegEncode12(int columns, int rows, int components, std::span<const uint8_t> samples,
                 std::vector<uint8_t>& stream) {
  return Encode(&jpeg_builds::EncodeIjg12, FrameLayout{columns, rows, components}, 2, samples,
                Process::Lossless, stream);
}

int JpegEncode16(int columns, int rows, int components, std::span<const uint8_t> samples,
                 std::vector<uint8_t>& stream) {
  return Encode(&jpeg_builds::EncodeIjg16, FrameLayout{columns, rows, components}, 2, samples,
                Process::Lossless, stream);
}

int JpegDecode8(std::span<const uint8_t> stream, std::span<uint8_t> destination) {
  const auto info = ReadJpegFrameInfo(stream);
  if (!info) return kFailure;
  // libjpeg-turbo is the faster decoder but knows no lossless process.
  const bool decoded = info->lossless() ? jpeg_builds::DecodeIjg8(stream, destination)
                                        : jpeg_builds::DecodeTurbo8(stream, destination);
  return decoded ? kSuccess : kFailure;
}

int JpegDecode12(std::span<const uint8_t> stream, std::span<uint8_t> destination) {
  return jpeg_builds::DecodeIjg12(stream, destination) ? kSuccess : kFailure;
}

int JpegDecode16(std::span<const uint8_t> stream, std::span<uint8_t> destination) {
  return jpeg_builds::DecodeIjg16(stream, destination) ? kSuccess : kFailure;
}

}  // namespace norvane
