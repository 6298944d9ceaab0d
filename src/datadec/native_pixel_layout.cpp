#include "datadec/native_pixel_layout.hpp"

#include <cstdint>

#include "elements/record_values.hpp"

namespace norvane {

ChromaSubsampling ChromaSubsamplingOf(std::string_view photometric) {
  const std::string_view name = TrimmedText(photometric);
  if (name == "YBR_FULL_422" || name == "YBR_PARTIAL_422") return ChromaSubsampling::k422;
  if (name == "YBR_PARTIAL_420") return ChromaSubsampling::k420;
  return ChromaSubsampling::kNone;
}

uint64_t NativeFrameBits(uint16_t rows, uint16_t columns, uint16_t bitsAllocated,
                         int samplesPerPixel, ChromaSubsampling chroma) {
  const uint64_t pixels = uint64_t{rows} * columns;
  uint64_t samples = pixels * static_cast<uint64_t>(samplesPerPixel < 0 ? 0 : samplesPerPixel);
  if (samplesPerPixel == 3 && chroma == ChromaSubsampling::k422) samples = pixels * 2;
  if (samplesPerPixel == 3 && chroma == ChromaSubsampling::k420) samples = pixels * 3 / 2;
  return samples * bitsAllocated;
}

uint64_t NativePixelBytes(uint64_t frameBits, uint64_t frames) {
  // A size beyond 64 bits is held at the largest value: no element length reaches it.
  if (frames != 0 && frameBits > (UINT64_MAX - 7) / frames) return UINT64_MAX;
  return (frameBits * frames + 7) / 8;
}

}  // namespace norvane
