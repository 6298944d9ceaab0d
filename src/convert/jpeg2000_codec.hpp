#pragma once

// JPEG 2000 (ISO/IEC 15444-1) of one frame through OpenJPEG, as a bare codestream: lossless
// with the reversible 5/3 wavelet (1.2.840.10008.1.2.4.90) and lossy with the irreversible
// 9/7 wavelet at a compression ratio (1.2.840.10008.1.2.4.91), for 8- and 16-bit samples,
// one or three per pixel. Each call codes one frame on its own, so frames may be coded in
// parallel.

#include <cstdint>
#include <span>
#include <vector>

#include "convert/frame_shape.hpp"

namespace norvane {

// The compression ratio lossy coding aims at unless told otherwise: 10 to 1.
inline constexpr double kDefaultJpeg2000Ratio = 10.0;
inline constexpr double kMaxJpeg2000Ratio = 1000.0;

// Whether frames of this shape can be coded: Bits Allocated 8 or 16, one or three samples.
bool Jpeg2000CodesShape(const FrameShape& shape);

// Codes `frame` (exactly FrameBytes() bytes) into `stream`: reversible when `ratio` is 0,
// else irreversible at about `ratio` to 1 (at least 1). The precision is Bits Stored when
// every sample lies within it, else Bits Allocated, signed as the shape is; three samples
// are coded without a colour transform, so RGB stays RGB. False, with `stream` empty, for a
// shape Jpeg2000CodesShape refuses, a frame of another size, a bad ratio or an OpenJPEG
// error.
bool Jpeg2000EncodeFrame(const FrameShape& shape, double ratio, std::span<const uint8_t> frame,
                         std::vector<uint8_t>& stream);

// Decodes one codestream (or a JP2 file, which some writers put in DICOM) into `frame`
// (exactly FrameBytes() bytes): kMismatch for an image of another size, component count,
// subsampled components or a precision above Bits Allocated, found from the headers before
// any decoding; kCorrupt for an OpenJPEG error. A colour transform in the stream is undone,
// so three components come out as RGB. Lossy values past the precision's range are held at
// its ends. `lossy` is set for the irreversible wavelet.
FrameDecodeResult Jpeg2000DecodeFrame(const FrameShape& shape, std::span<const uint8_t> stream,
                                      std::span<uint8_t> frame);

}  // namespace norvane
