#pragma once

// Native 8-bit YBR pixel data as R, G, B, for everything that shows or codes an image as RGB.

#include <cstdint>
#include <span>
#include <string_view>

namespace norvane {

// Whether the photometric interpretation (pad ignored) is one whose native frames
// YbrFrameToRgb turns into RGB: YBR_FULL, YBR_FULL_422 or YBR_PARTIAL_422.
bool IsConvertibleYbr(std::string_view photometric);

// One native frame of 8-bit YBR samples as interleaved R, G, B bytes, Rows x Columns x 3 of
// them. YBR_FULL is read colour-by-pixel (Planar Configuration 0) or colour-by-plane (1);
// the 4:2:2 forms as Y Y Cb Cr for each two pixels in raster order, one chroma pair
// standing for both. YBR_FULL uses the full-range equations of JPEG (JFIF), YBR_PARTIAL_422
// the CCIR 601 ones (Y 16..235, Cb and Cr 16..240); each result is rounded to the nearest
// integer and held within 0..255. False, with nothing written, for another photometric
// interpretation, an odd number of pixels in a 4:2:2 frame, a frame shorter than its layout
// calls for, or `rgb` not exactly Rows x Columns x 3 bytes.
bool YbrFrameToRgb(std::string_view photometric, uint16_t planarConfiguration, uint16_t rows,
                   uint16_t columns, std::span<const uint8_t> frame, std::span<uint8_t> rgb);

}  // namespace norvane
