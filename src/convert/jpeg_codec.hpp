#pragma once

// Compression and decompression of one frame of pixel data as a JPEG stream, for the
// transfer syntax conversion.
//
// Samples are interleaved (one pixel's components together), rows top first. 8-bit
// samples are one byte each; 12- and 16-bit samples are two bytes each, little endian, as
// in native DICOM pixel data, so callers can pass a frame of their pixel buffer directly
// whatever its alignment.
//
// Every adapter returns 0 on success and -1 on failure. A failure of the JPEG library
// (a fatal error inside the codec, corrupt or truncated input, memory exhaustion) never
// ends the process and never leaves memory behind: it is caught inside the adapter and
// reported as -1.

#include <cstdint>
#include <span>
#include <vector>

namespace norvane {

// Encoding modes of JpegEncode8, named after the JPEG process they select.
inline constexpr int kJpegModeBaseline = 0;  // process 1, quality 75 (1.2.840.10008.1.2.4.50)
inline constexpr int kJpegModeLossless = 4;  // process 14, predictor 1, point transform 0
                                             // (1.2.840.10008.1.2.4.70)

// Encodes an 8-bit frame of `components` (1: greyscale, 3: RGB) samples per pixel.
// Baseline keeps full resolution (every component sampled 1x1) and codes RGB as R, G, B
// without a YCbCr transform (APP14 "Adobe", transform 0), so the pixel data stay RGB for
// every decoder, DICOM-aware or not. `stream` receives the complete JPEG stream (SOI to
// EOI); on failure it is left empty. -1 for a mode other than baseline or lossless, bad
// dimensions (1..65500 columns and rows), or `samples` shorter than the frame.
int JpegEncode8(int columns, int rows, int components, std::span<const uint8_t> samples,
                std::vector<uint8_t>& stream, int mode);

// Lossless (predictor 1, point transform 0) encoding of 12-bit samples (0..4095; a sample
// outside that range fails rather than being cut) and of 16-bit samples.
int JpegEncode12(int columns, int rows, int components, std::span<const uint8_t> samples,
                 std::vector<uint8_t>& stream);
int JpegEncode16(int columns, int rows, int components, std::span<const uint8_t> samples,
                 std::vector<uint8_t>& stream);

// Decodes one JPEG stream into `destination`: rows x columns x components samples, RGB for
// three-component lossy streams; lossless streams come out exactly as coded, without any
// colour transform. A stream that would decode to more bytes than `destination` holds is
// rejected before anything is written; a smaller image fills only the start (compare
// ReadJpegFrameInfo with the expected frame first). A stream whose sample precision exceeds
// the decoder's fails rather than losing bits.
//   JpegDecode8:  8-bit streams of any process the library reads (baseline, extended,
//                 progressive) and lossless streams up to 8 bits; one byte per sample.
//   JpegDecode12: 12-bit DCT streams and lossless streams up to 12 bits; two bytes per sample.
//   JpegDecode16: lossless streams up to 16 bits; two bytes per sample.
int JpegDecode8(std::span<const uint8_t> stream, std::span<uint8_t> destination);
int JpegDecode12(std::span<const uint8_t> stream, std::span<uint8_t> destination);
int JpegDecode16(std::span<const uint8_t> stream, std::span<uint8_t> destination);

}  // namespace norvane
