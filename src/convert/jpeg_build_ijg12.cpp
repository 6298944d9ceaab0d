// The IJG 6b build for 12-bit samples with the lossless extension (from GDCM). Its
// symbols carry the prefix gdcmjpeg12_, and its structure types are declared in a
// namespace of their own, so that this build, the other precisions and libjpeg-turbo live
// side by side in one program.

#include <csetjmp>
#include <cstdio>

#include "convert/jpeg_builds.hpp"
#include "convert/jpeg_frame_codec.hpp"

namespace norvane::jpeg_builds::ijg12 {
extern "C" {
#include <gdcmjpeg/12/jpeglib.h>
}
#define NORVANE_JPEG_LOSSLESS_BUILD 1
#include "convert/jpeg_library.hpp"
#undef NORVANE_JPEG_LOSSLESS_BUILD

static_assert(BITS_IN_JSAMPLE == 12);
}  // namespace norvane::jpeg_builds::ijg12

namespace norvane::jpeg_builds {

bool EncodeIjg12(const FrameLayout& layout, std::span<const uint8_t> samples, Process process,
                 std::vector<uint8_t>& stream) {
  return EncodeFrame<ijg12::Library>(layout, samples, process, stream);
}

bool DecodeIjg12(std::span<const uint8_t> stream, std::span<uint8_t> destination) {
  return DecodeFrame<ijg12::Library>(stream, destination);
}

}  // namespace norvane::jpeg_builds
