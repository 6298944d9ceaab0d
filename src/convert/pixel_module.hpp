#pragma once

// The image pixel description the conversion needs to cut pixel data into frames, gathered
// element by element while a dataset is walked.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "datadec/native_pixel_layout.hpp"
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
  uint16_t bitsStored = 0;           // 0 when absent
  uint16_t pixelRepresentation = 0;  // 1: two's complement samples
  uint16_t planarConfiguration = 0;

  // Where the last Photometric Interpretation and Planar Configuration noted sit in the
  // output list, so that the pixel conversion can correct them.
  std::optional<size_t> photometricIndex;
  std::optional<size_t> planarIndex;

  // Notes the record when it is one of the elements above (a later one replaces an earlier
  // one). Numbers are read in the byte order of the data the record came from.
  void Note(const TagRecord& record, bool bigEndian, size_t outputIndex);

  // The chroma sampling the photometric interpretation names for native pixel data.
  ChromaSubsampling Chroma() const { return ChromaSubsamplingOf(photometric); }

  // One frame at full resolution, as the JPEG codec takes and gives it: Columns x Rows x
  // Bits Allocated / 8 x samples. Nullopt when the size does not fit a 32-bit element
  // length.
  std::optional<uint32_t> CodecFrameSize() const;
  // One frame of native pixel data, with subsampled chroma at its reduced rate; nullopt
  // as above, and for frames that do not end on a byte (1-bit samples).
  std::optional<uint32_t> NativeFrameSize() const;
  // All frames of native pixel data, packed one after the other; nullopt as above.
  std::optional<uint32_t> NativeTotalSize() const;
  // All frames at full resolution.
  std::optional<uint32_t> CodecTotalSize() const;
};

}  // namespace norvane
