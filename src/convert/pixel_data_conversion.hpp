#pragma once

// Pixel Data (7FE0,0010) from one transfer syntax to another: native data are turned round
// when the byte order changes, JPEG frames are decoded, and native frames are encoded.

#include <cstddef>
#include <optional>

#include "convert/convert_status.hpp"
#include "convert/pixel_module.hpp"
#include "convert/supported_syntaxes.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Converts the Pixel Data record source[index], whose VR the caller has settled, and, when
// it is encapsulated, the offset table, fragments and delimiter after it. Appends the
// converted records to `out` and returns the index of the first source record not
// consumed; nullopt on failure, with `status` saying why and records possibly appended.
// Encapsulated input holds one offset table item (ignored), then one fragment per frame, or any
// number of fragments for a single frame. A decoded frame must match Rows, Columns and the samples
// per pixel exactly. When frames go through the codec, the output's Planar Configuration becomes 0
// (samples are interleaved in JPEG), and a YBR photometric interpretation becomes RGB after
// lossy decoding, which yields RGB.
std::optional<size_t> ConvertPixelData(const TagList& source, size_t index,
                                       const TagRecord& pixelData, const PixelModule& module,
                                       const TransferSyntax& from, const TransferSyntax& to,
                                       TagList& out, ConvertStatus& status);

}  // namespace norvane
