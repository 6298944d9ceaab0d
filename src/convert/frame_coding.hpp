#pragma once

// One frame through the JPEG adapter that its transfer syntax and Bits Allocated call for.

#include <cstdint>
#include <span>
#include <vector>

#include "convert/convert_status.hpp"
#include "convert/pixel_module.hpp"
#include "convert/supported_syntaxes.hpp"

namespace norvane {

// Whether frames of this Bits Allocated can be coded in this JPEG syntax: baseline takes
// 8 bits only, lossless 8, 12 or 16.
bool JpegCodesBitsAllocated(PixelEncoding encoding, uint16_t bitsAllocated);

// Decodes one frame's stream into `frame` (exactly one frame of native little-endian
// samples): kFrameMismatch for a stream whose image is not Rows x Columns with the module's
// samples per pixel, kCodecError for a decoder error. `lossy` tells whether the stream was
// a DCT one.
ConvertStatus DecodeFrame(PixelEncoding encoding, const PixelModule& module,
                          std::span<const uint8_t> stream, std::span<uint8_t> frame, bool& lossy);

// Encodes one frame of native little-endian, interleaved samples. False on an encoder
// error.
bool EncodeFrame(PixelEncoding encoding, const PixelModule& module, std::span<const uint8_t> frame,
                 std::vector<uint8_t>& stream);

}  // namespace norvane
