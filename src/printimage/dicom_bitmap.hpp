#pragma once

// A DICOM image decoded into the bitmap that is printed: grey images through their
// rescale and window into 8-bit grey, RGB images as they are.

#include <string>
#include <string_view>

#include "elements/tag_record.hpp"
#include "platform/raster.hpp"

namespace norvane {

enum class DicomBitmapStatus : uint8_t {
  kDecoded,
  kCannotRead,         // not a readable DICOM Part 10 file
  kNotUncompressed,    // big endian, or compressed in a syntax that is not decoded
  kCannotDecode,       // compressed pixel data whose decoding failed
  kNoImage,            // no Pixel Data, or Rows or Columns 0
  kShortPixelData,     // Pixel Data shorter than the image elements call for
  kTooLarge,           // a bitmap of that size cannot be made
  kUnsupportedColour,  // YBR samples without a way to RGB (4:2:0, not 8 bits, odd pairs)
};

std::string_view Describe(DicomBitmapStatus status);

// Decodes the first frame of a little-endian dataset into `bitmap`:
// - Photometric Interpretation "RGB " (exactly, with its pad): a 24-bit bitmap from the
//   samples R, G, B of each pixel (colour-by-pixel is assumed);
// - YBR_FULL, YBR_FULL_422, YBR_PARTIAL_422 with 8-bit samples: the same from the RGB they
//   stand for (YBR_FULL by its Planar Configuration; the 4:2:2 forms at half the chroma
//   rate, so their frames are Rows x Columns x 2 bytes); other YBR forms are refused;
// - otherwise a grey bitmap: each stored value s (8-bit when Bits Allocated is 8, else
//   16-bit, big endian when `bigEndianSamples`, always unsigned) becomes
//   v = intercept + slope x s, then g = (v - center) x 255 / width + 127, clamped to
//   0..255. 8-bit images always use center 127 and width 255; a width of 0 counts as 100,
//   a slope of 0 as 1, no window as center 127 and width 255.
// Only the image's own elements count: those inside sequences (an icon image, for one)
// are passed over. On failure `bitmap` is left as it was.
DicomBitmapStatus DicomBitmap(const TagList& dataset, Raster& bitmap, bool bigEndianSamples);

// Reads the file and decodes it as above; compressed pixel data (JPEG, RLE, JPEG-LS, JPEG
// 2000) are decoded first, big-endian files are refused.
DicomBitmapStatus LoadDicomBitmap(const std::string& fileName, Raster& bitmap,
                                  bool bigEndianSamples);

}  // namespace norvane
