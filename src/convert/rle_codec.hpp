#pragma once

// RLE Lossless (1.2.840.10008.1.2.5): one frame as an RLE header and its segments. Each
// segment holds one byte of one sample of every pixel (the most significant byte of the
// first sample first), PackBits-coded row by row.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "convert/frame_shape.hpp"

namespace norvane {

// The header holds 15 segment offsets, so a frame of at most 15 byte planes.
inline constexpr size_t kRleMaxSegments = 15;
inline constexpr size_t kRleHeaderSize = 64;

// Whether frames of this shape fit an RLE header: Bits Allocated 8, 16 or 32, one or three
// samples, at most 15 segments, at least one row and column.
bool RleCodesShape(const FrameShape& shape);

// Codes `frame` (exactly FrameBytes() bytes) into `stream`: the header, then each segment,
// padded to an even length. False, with `stream` empty, for a shape RleCodesShape refuses
// or a frame of another size.
bool RleEncodeFrame(const FrameShape& shape, std::span<const uint8_t> frame,
                    std::vector<uint8_t>& stream);

// Decodes `stream` into `frame` (exactly FrameBytes() bytes): kMismatch when the header
// does not count one segment per byte of each sample, kCorrupt when its offsets are out
// of order or past the end or a segment ends before its byte plane is whole. Bytes a
// segment holds past its plane (a pad, or an encoder that runs on) are ignored; nothing is
// written outside `frame` whatever the stream says.
FrameDecodeStatus RleDecodeFrame(const FrameShape& shape, std::span<const uint8_t> stream,
                                 std::span<uint8_t> frame);

}  // namespace norvane
