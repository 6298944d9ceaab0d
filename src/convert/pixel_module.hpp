#pragma once

// The image pixel description the conversion needs to cut pixel data into frames, gathered
// element by element while a dataset is walked.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "elements/tag_record.hpp"
#include "elements/tags.hpp"

namespace norvane {

inline bool IsPixelData(const TagRecord& record) {
  return record.Is(tag::kPixelData);
}

struct PixelModule {
  std::string photometric;  // Photometric Interpretation as stored, pad included
  int samples = 1;          // 1 for monochrome and palette images, else 3
  uint32_t frames = 1;      // Number of Frames; absent, 0 or negative count as 1
  uint16_t rows = 0;
  uint16_t columns = 0;
  uint16_t bitsAllocated = 0;
  uint16_t planarConfiguration = 0;

  // Where the last Photometric Interpretation and Planar Configuration noted sit in the
  // output list, so that the pixel conversion can correct them.
  std::optional<size_t> photometricIndex;
  std::optional<size_t> planarIndex;

  // Notes the record when it is one of the elements above (a later one replaces an earlier
  // one). Numbers are read in the byte order of the data the record came from.
  void Note(const TagRecord& record, bool bigEndian, size_t outputIndex);

  // Columns x Rows x Bits Allocated / 8, times the samples per pixel; and that times the
  // frames. Nullopt when the size does not fit a 32-bit element length.
  std::optional<uint32_t> FrameSize() const;
  std::optional<uint32_t> TotalSize() const;
};

}  // namespace norvane
