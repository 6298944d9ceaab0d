// libjpeg-turbo for 8-bit samples: the DCT processes (baseline encoding, and decoding of
// every 8-bit DCT stream) with SIMD. It has no lossless process; lossless streams go to the
// IJG 8-bit build. Its structure types are declared in a namespace of their own so they never
// meet the IJG builds' types of the same names.

#include <csetjmp>
#include <cstdio>

#include "convert/jpeg_builds.hpp"
#include "convert/jpeg_frame_codec.hpp"

namespace norvane::jpeg_builds::turbo8 {
extern "C" {
#include <jpeglib.h>
}

#define NORVANE_JPEG_LOSSLESS_BUILD 0
#include "convert/jpeg_library.hpp"
#undef NORVANE_JPEG_LOSSLESS_BUILD

}  // namespace norvane::jpeg_builds::turbo8

namespace norvane::jpeg_builds {

bool EncodeTurbo8(const FrameLayout& layout, std::span<const uint8_t> samples, Process process,
                  std::vector<uint8_t>& stream) {
  return EncodeFrame<turbo8::Library>(layout, samples, process, stream);
}

bool DecodeTurbo8(std::span<const uint8_t> stream, std::span<uint8_t> destination) {
  return DecodeFrame<turbo8::Library>(stream, destination);
}

}  // namespace norvane::jpeg_builds
