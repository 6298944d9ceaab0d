#pragma once

// One frame through the codec its transfer syntax calls for: JPEG (baseline, lossless),
// RLE, JPEG-LS or JPEG 2000. Every call codes one frame on its own, with no state shared
// between calls, so the frames of one image may be coded in parallel.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "convert/convert_status.hpp"
#include "convert/jpeg2000_codec.hpp"
#include "convert/jpeg_ls_codec.hpp"
#include "convert/pixel_module.hpp"
#include "convert/supported_syntaxes.hpp"

namespace norvane {

// How lossy coding trades size for fidelity.
struct CodingOptions {
  // JPEG-LS near-lossless: the largest difference allowed between a sample and its coded
  // value (NEAR, 0 to 255; 0 codes losslessly).
  int jpegLsNear = kDefaultJpegLsNear;
  // JPEG 2000 lossy: the compression ratio aimed at (1 to 1000).
  double jpeg2000Ratio = kDefaultJpeg2000Ratio;
  // Frames coded at once, each on a thread of its own; 0: one per core of the machine. The
  // coded bytes do not depend on it.
  unsigned threads = 0;
};

// Whether the options are within the ranges above.
bool ValidCodingOptions(const CodingOptions& options);

// Whether frames of this Bits Allocated can be coded in this encoding: JPEG baseline takes
// 8 bits only, JPEG lossless 8, 12 or 16, JPEG-LS and JPEG 2000 8 or 16, RLE 8, 16 or 32.
bool CodesBitsAllocated(PixelEncoding encoding, uint16_t bitsAllocated);

// Decodes one frame's stream into `frame` (exactly one frame of native little-endian,
// interleaved samples): kFrameMismatch for a stream whose image is not Rows x Columns with
// the module's samples per pixel, kCodecError for a decoder error. `lossy` tells whether the
// stream was coded with loss.
ConvertStatus DecodeFrame(PixelEncoding encoding, const PixelModule& module,
                          std::span<const uint8_t> stream, std::span<uint8_t> frame, bool& lossy);

// Encodes one frame of native little-endian, interleaved samples. False on an encoder
// error.
bool EncodeFrame(PixelEncoding encoding, const PixelModule& module, const CodingOptions& options,
                 std::span<const uint8_t> frame, std::vector<uint8_t>& stream);

// Whether coding in this encoding with these options loses information.
bool EncodesLossy(PixelEncoding encoding, const CodingOptions& options);

// The Lossy Image Compression Method of an encoding's lossy streams: "ISO_10918_1" (JPEG),
// "ISO_14495_1" (JPEG-LS), "ISO_15444_1" (JPEG 2000); empty for the others.
std::string_view LossyMethod(PixelEncoding encoding);

}  // namespace norvane
