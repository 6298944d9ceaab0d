#include "datadec/ybr_to_rgb.hpp"

#include <algorithm>
#include <cmath>

#include "datadec/native_pixel_layout.hpp"
#include "elements/record_values.hpp"

namespace norvane {
namespace {

bool IsFullRange(std::string_view photometric) {
  const std::string_view name = TrimmedText(photometric);
  return name == "YBR_FULL" || name == "YBR_FULL_422";
}

uint8_t Rounded(double value) {
  return static_cast<uint8_t>(std::clamp(std::floor(value + 0.5), 0.0, 255.0));
}

// The inverse of the colour transforms of the Photometric Interpretation definitions.
void ToRgb(bool fullRange, uint8_t y, uint8_t cb, uint8_t cr, uint8_t* rgb) {
  const double b = cb - 128.0;
  const double r = cr - 128.0;
  if (fullRange) {
    rgb[0] = Rounded(y + 1.402 * r);
    rgb[1] = Rounded(y - 0.114 * 1.772 / 0.587 * b - 0.299 * 1.402 / 0.587 * r);
    rgb[2] = Rounded(y + 1.772 * b);
    return;
  }
  const double luma = 1.1644 * (y - 16.0);
  rgb[0] = Rounded(luma + 1.5960 * r);
  rgb[1] = Rounded(luma - 0.3918 * b - 0.8130 * r);
  rgb[2] = Rounded(luma + 2.0172 * b);
}

}  // namespace

bool IsConvertibleYbr(std::string_view photometric) {
  const std::string_view name = TrimmedText(photometric);
  return name == "YBR_FULL" || name == "YBR_FULL_422" || name == "YBR_PARTIAL_422";
}

bool YbrFrameToRgb(std::string_view photometric, uint16_t planarConfiguration, uint16_t rows,
                   uint16_t columns, std::span<const uint8_t> frame, std::span<uint8_t> rgb) {
  if (!IsConvertibleYbr(photometric)) return false;
  const size_t pixels = size_t{rows} * columns;
  if (rgb.size() != pixels * 3) return false;
  const bool fullRange = IsFullRange(photometric);
  const ChromaSubsampling chroma = ChromaSubsamplingOf(photometric);
  if (frame.size() < NativeFrameBits(rows, columns, 8, 3, chroma) / 8) return false;
  uint8_t* out = rgb.data();
  const uint8_t* in = frame.data();

  if (chroma == ChromaSubsampling::k422) {
    if (pixels % 2 != 0) return false;
    for (size_t pair = 0; pair < pixels / 2; ++pair, in += 4, out += 6) {
      ToRgb(fullRange, in[0], in[2], in[3], out);
      ToRgb(fullRange, in[1], in[2], in[3], out + 3);
    }
    return true;
  }
  if (planarConfiguration == 1) {
    for (size_t p = 0; p < pixels; ++p, out += 3) {
      ToRgb(fullRange, in[p], in[pixels + p], in[2 * pixels + p], out);
    }
    return true;
  }
  for (size_t p = 0; p < pixels; ++p, in += 3, out += 3) {
    ToRgb(fullRange, in[0], in[1], in[2], out);
  }
  return true;
}

}  // namespace norvane
