#pragma once

// Conversion of a dataset from one transfer syntax to another: implicit VR little endian,
// explicit VR little endian, explicit VR big endian, JPEG baseline (process 1, 8-bit
// samples) and JPEG lossless (selection value 1; 8, 12 or 16-bit samples).

#include <string_view>

#include "convert/convert_status.hpp"
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
// data not holding one fragment per frame; a JPEG syntax with Bits Allocated it cannot code
// (baseline: 8; lossless: 8, 12, 16); a JPEG frame of another size than the image; a
// codec error; a sequence value that is malformed.
ConvertStatus ConvertDataset(TagList& output, const TagList& source, std::string_view targetUid,
                             std::string_view sourceUid);

// ConvertDataset in place: on success `list` holds the converted records; on failure it is
// left exactly as it was.
bool ConvertTS(TagList& list, std::string_view targetUid, std::string_view sourceUid);

}  // namespace norvane
