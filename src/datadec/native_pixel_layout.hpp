#pragma once

// How uncompressed (native) pixel data are laid out: how many samples one frame holds for
// its photometric interpretation, and so how many bytes the Pixel Data value has.

#include <cstdint>
#include <string_view>

namespace norvane {

// The chroma sampling of native YBR pixel data.
enum class ChromaSubsampling : uint8_t {
  kNone,  // every component sampled at every pixel
  k422,   // YBR_FULL_422, YBR_PARTIAL_422: Cb and Cr once per two pixels of a row
  k420,   // YBR_PARTIAL_420: Cb and Cr once per two pixels of a row, every other row
};

// The subsampling a Photometric Interpretation value names; its pad (blanks, NULs) is no
// part of it.
ChromaSubsampling ChromaSubsamplingOf(std::string_view photometric);

// Bits one frame of native pixel data occupies: Rows x Columns samples of every component,
// except that subsampled chroma is stored at its reduced rate. With horizontal (4:2:2)
// subsampling, each two pixels in raster order are stored as Y Y Cb Cr, so a frame holds
// Rows x Columns x 2 samples; with 4:2:0 subsampling, Rows x Columns x 3 / 2. Subsampling
// counts only for three samples per pixel.
uint64_t NativeFrameBits(uint16_t rows, uint16_t columns, uint16_t bitsAllocated,
                         int samplesPerPixel, ChromaSubsampling chroma);

// Bytes `frames` frames of `frameBits` bits occupy, stored one after the other: frames of
// 1-bit samples need not end on a byte boundary, so the total is rounded up once, at the
// end.
uint64_t NativePixelBytes(uint64_t frameBits, uint64_t frames);

}  // namespace norvane
