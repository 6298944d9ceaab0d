#pragma once

// What a thumbnail needs of an image dataset.

#include <cstdint>
#include <string>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

struct ThumbnailImage {
  std::string photometric;  // (0028,0004), trimmed
  std::string modality;     // (0008,0060), trimmed; kept, not used for rendering
  uint16_t planarConfiguration = 0;
  uint16_t rows = 0;
  uint16_t columns = 0;
  uint16_t bitsAllocated = 0;
  int windowCenter = 0;  // (0028,1050): the integer the text begins with
  int windowWidth = 0;   // (0028,1051): the same
  float rescaleIntercept = 0;
  float rescaleSlope = 0;
  // A copy of Pixel Data when its length is that of one native frame (Columns x Rows x Bits
  // Allocated / 8, times 3 for RGB and YBR, with subsampled YBR chroma at its reduced rate),
  // or that plus a pad byte; empty otherwise, so multi-frame images have none.
  std::vector<uint8_t> pixels;
  float scale = 0;        // thumbnail width / columns
  bool inverted = false;  // photometric is exactly MONOCHROME1

  bool IsRgb() const { return photometric == "RGB"; }
  // YBR_FULL, YBR_FULL_422, YBR_PARTIAL_422, YBR_PARTIAL_420: colour, shown as RGB.
  bool IsYbr() const { return photometric.rfind("YBR_", 0) == 0; }
  int SamplesPerPixel() const { return IsRgb() || IsYbr() ? 3 : 1; }
};

// The record under the name the exported interface knows it by.
using TImages = ThumbnailImage;

// Fills the record from the elements of a little-endian dataset, in list order, a later
// element replacing an earlier one. Elements inside sequences (an icon image, for one)
// are not the image's own and are passed over.
ThumbnailImage ReadThumbnailImage(const TagList& dataset);

}  // namespace norvane
