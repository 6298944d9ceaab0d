// The IJG 6b build for 8-bit samples with the lossless extension (from GDCM). Its
// symbols carry the prefix gdcmjpeg8_, and its structure types are declared in a
// namespace of their own, so that this build, the other precisions and libjpeg-turbo live
// side by side in one program.

#include <csetjmp>
#include <cstdio>

#include "convert/jpeg_builds.hpp"
#include "convert/jpeg_frame_codec.hpp"

namespace norvane::jpeg_builds::ijg8 {
extern "C" {
#include <gdcmjpeg/8/jpeglib.h>
}
#define NORVANE_JPEG_LOSSLESS_BUILD 1
#include "convert/jpeg_library.hpp"
#undef NORVANE_JPEG_LOSSLESS_BUILD

static_assert(BITS_IN_JSAMPLE == 8);
}  // namespace norvane::jpeg_builds::ijg8

namespace norvane::jpeg_builds {

bool EncodeIjg8(const FrameLayout& layout, std::span<const uint8_t> samples, Process process,
                std::vector<uint8_t>& stream) {
  return EncodeFrame<ijg8::Library>(layout, samples, process, stream);
}

bool DecodeIjg8(std::span<const uint8_t> stream, std::span<uint8_t> destination) {
  return DecodeFrame<ijg8::Library>(stream, destination);
}

}  // namespace norvane::jpeg_builds
