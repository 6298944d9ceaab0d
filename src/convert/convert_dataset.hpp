#pragma once

// Conversion of a dataset from one transfer syntax to another: implicit VR little endian,
// explicit VR little endian, explicit VR big endian, deflated explicit VR little endian,
// JPEG baseline (process 1, 8-bit samples), JPEG lossless (selection value 1; 8, 12 or
// 16-bit samples), RLE Lossless (8, 16 or 32-bit samples), JPEG-LS lossless and
// near-lossless and JPEG 2000 lossless and lossy (8 or 16-bit samples).

#include <string_view>

#include "convert/convert_status.hpp"
#include "convert/frame_coding.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Appends the records of `source`, converted from the syntax `sourceUid` to `targetUid`,
// to `output`; `source` is not changed. UIDs compare up to their first NUL. Equal UIDs give
// a deep copy. Values are turned round by VR when the byte order changes, defined-length
// sequences and items are re-encoded when the VR explicitness or the byte order changes,
// group lengths are recomputed for the target encoding, and the pixel data are decoded
// and encoded as the two syntaxes need.
// kOk on success; otherwise the reason, with `output` as it was, for: a source or target syntax
// that is not supported (unless the two are equal); native pixel data whose length is neither Rows
// x Columns x Bits Allocated / 8 x samples x frames nor that plus a pad byte; encapsulated pixel
// data not holding one fragment per frame; a compressed syntax with Bits Allocated it
// cannot code (see CodesBitsAllocated); a compressed frame of another size than the image;
// a codec error; a sequence value that is malformed; coding options out of range.
// Near-lossless and lossy targets are coded as `options` say.
ConvertStatus ConvertDataset(TagList& output, const TagList& source, std::string_view targetUid,
                             std::string_view sourceUid, const CodingOptions& options);
ConvertStatus ConvertDataset(TagList& output, const TagList& source, std::string_view targetUid,
                             std::string_view sourceUid);

// ConvertDataset in place: on success `list` holds the converted records; on failure it is
// left exactly as it was.
bool ConvertTS(TagList& list, std::string_view targetUid, std::string_view sourceUid);

}  // namespace norvane
