#pragma once

// The bitmap to print turned into the image pixel module of a Basic Grayscale or Basic
// Color Image Box: 8 bits per sample, MONOCHROME2 for 8-bit bitmaps, RGB for the others.

#include <cstddef>
#include <cstdint>
#include <span>

#include "elements/tag_record.hpp"
#include "platform/raster.hpp"

namespace norvane {

// Replaces a 24- or 32-bit bitmap by a grey bitmap of the same size: grey =
// (blue + green + red) / 3 per pixel (the fourth byte of a 32-bit pixel is ignored). An
// 8-bit bitmap gets the same average of its palette colours and the grey palette.
void ConvertToGray(Raster& bitmap);

// Number of pixel bytes the bitmap gives: width x height for an 8-bit bitmap, three times
// that for the others.
size_t PixelDataSize(const Raster& bitmap);

// Writes the pixel bytes into `buffer`, which must hold exactly PixelDataSize bytes:
// - 8-bit: the grey level (red + green + blue) / 3 of each pixel's palette entry;
// - 24/32-bit: R, G, B per pixel when `planar` is not 1; with `planar` 1 the R plane, the
//   G plane and the B plane, each width x height bytes.
// False, with nothing written, when the buffer has another size.
bool BitmapToPixelData(const Raster& bitmap, std::span<uint8_t> buffer, int planar);

// Appends Samples per Pixel, Photometric Interpretation, Planar Configuration (colour
// only, the `planar` value), Rows, Columns, Bits Allocated, Bits Stored, High Bit, Pixel
// Representation and Pixel Data (OB, padded with a zero byte to even length). False, with
// nothing appended, when the bitmap is wider or higher than Rows and Columns can say.
bool AddImagePixelModule(const Raster& bitmap, TagList& elements, int planar);

}  // namespace norvane
