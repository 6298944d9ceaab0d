#pragma once

// Pixel Data (7FE0,0010) from one transfer syntax to another: native data are turned round
// when the byte order changes, JPEG frames are decoded, and native frames are encoded.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "convert/convert_status.hpp"
#include "convert/frame_coding.hpp"
#include "convert/pixel_module.hpp"
#include "convert/supported_syntaxes.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// What a pixel data conversion did that the image's other elements must tell.
struct PixelDataOutcome {
  size_t next = 0;  // the first source record not consumed
  // A stream coded with loss (DCT, near-lossless, irreversible wavelet) was decoded: the
  // image had been through a lossy step.
  bool decodedLossy = false;
  std::string_view decodedMethod;   // its Lossy Image Compression Method
  uint64_t decodedStreamBytes = 0;  // compressed bytes of the streams decoded
  // The frames were coded with loss: a lossy step now.
  bool encodedLossy = false;
  std::string_view encodedMethod;
  uint64_t encodedStreamBytes = 0;  // compressed bytes written
  uint64_t sampleBytes = 0;         // uncompressed bytes of the image's samples
};

// Whether ConvertPixelData can take this Pixel Data record, as it stands in the source
// list, from one syntax to the other, judged from the two syntaxes, the pixel module and
// the record's length and value, without coding a frame: kOk, or why not. The
// conversion itself can still fail where only the coded data tell (a fragment count, a
// frame of another size, a codec error).
ConvertStatus CheckPixelConversion(const TagRecord& pixelData, const PixelModule& module,
                                   const TransferSyntax& from, const TransferSyntax& to);

// The same for a record whose value bytes are held elsewhere (`heldBytes` of them, as in
// the file it heads), so that only its header need be at hand.
ConvertStatus CheckPixelConversion(const TagRecord& pixelData, uint64_t heldBytes,
                                   const PixelModule& module, const TransferSyntax& from,
                                   const TransferSyntax& to);

// Converts the Pixel Data record source[index], whose VR the caller has settled, and, when
// it is encapsulated, the offset table, fragments and delimiter after it. Appends the
// converted records to `out`; nullopt on failure, with `status` saying why and records
// possibly appended. Lossy coding follows `options`.
// Encapsulated input holds one offset table item (ignored), then one fragment per frame, or
// any number of fragments for a single frame. A decoded frame must match Rows, Columns and
// the samples per pixel exactly. Native YBR frames going to JPEG baseline are turned into
// RGB first (subsampled chroma expanded), as the codec takes components as they are. When
// frames go through a codec, the output's Planar Configuration becomes 0 (the codecs give
// and take interleaved samples); a YBR photometric interpretation becomes RGB after lossy
// JPEG decoding, which yields RGB, and before baseline coding; YBR_ICT and YBR_RCT become
// RGB after JPEG 2000 decoding, which undoes the colour transform; YBR_FULL_422 becomes
// YBR_FULL after lossless decoding, which yields full-resolution chroma.
std::optional<PixelDataOutcome> ConvertPixelData(
    const TagList& source, size_t index, const TagRecord& pixelData, const PixelModule& module,
    const TransferSyntax& from, const TransferSyntax& to, const CodingOptions& options,
    TagList& out, ConvertStatus& status);

}  // namespace norvane
