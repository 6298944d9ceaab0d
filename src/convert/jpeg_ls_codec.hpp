#pragma once

// JPEG-LS (ISO/IEC 14495-1) of one frame through CharLS: lossless (1.2.840.10008.1.2.4.80)
// and near-lossless (1.2.840.10008.1.2.4.81), for 8- and 16-bit samples, one or three per
// pixel. Each call codes one frame on its own, so frames may be coded in parallel.

#include <cstdint>
#include <span>
#include <vector>

#include "convert/frame_shape.hpp"

namespace norvane {

// The NEAR parameter near-lossless coding uses unless told otherwise: every sample comes
// back within 2 of its value.
inline constexpr int kDefaultJpegLsNear = 2;
inline constexpr int kMaxJpegLsNear = 255;

// Whether frames of this shape can be coded: Bits Allocated 8 or 16, one or three samples.
bool JpegLsCodesShape(const FrameShape& shape);

// Codes `frame` (exactly FrameBytes() bytes) into `stream` with the given NEAR (0 is
// lossless): the precision is Bits Stored when every sample lies within it (a signed sample
// is coded as its low Bits Stored bits), else Bits Allocated; three samples are coded
// interleaved by sample. False, with `stream` empty, for a shape JpegLsCodesShape refuses, a
// frame of another size, a NEAR beyond what the precision allows, or a CharLS error.
bool JpegLsEncodeFrame(const FrameShape& shape, int nearLossless, std::span<const uint8_t> frame,
                       std::vector<uint8_t>& stream);

// Decodes one stream into `frame` (exactly FrameBytes() bytes): kMismatch for a stream of
// another width, height, sample count or a precision above Bits Allocated; kCorrupt for a
// stream that does not end with EOI (zero pad bytes aside) or a CharLS error. A signed image coded
// below Bits Allocated comes back sign-extended. `lossy` is set for NEAR above 0. Nothing is
// written past `frame`.
FrameDecodeResult JpegLsDecodeFrame(const FrameShape& shape, std::span<const uint8_t> stream,
                                    std::span<uint8_t> frame);

}  // namespace norvane
