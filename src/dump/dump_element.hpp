#pragma once

#include "elements/tag_record.hpp"

namespace norvane {

// Deepest level DumpElement descends to; a sequence nested deeper is reported as an error.
inline constexpr int kMaxDumpDepth = 64;

// Writes one element to the log, "..." per level below the first:
//   (0028,0010),  2,\tUS, "512" - Rows        length below 255 (tab before the VR)
//   (7FE0,0010), 524288,\tOW                  longer value
// An SQ, or an item below the first level, of defined length is written without value and
// followed by its decoded elements one level deeper. Returns false when a nested value could
// not be decoded. `depth` starts at 1.
bool DumpElement(const TagRecord& record, bool explicitVR, int depth);

// Decodes the value of a sequence or item into `out`, one record per element of the value
// (items stay whole), giving records of implicit data their dictionary VR. At trace level
// above 1 the value length and the record count are logged. False on a malformed value.
bool Exp_One_SQ(const TagRecord& record, TagList& out, bool explicitVR, bool bigEndian);

}  // namespace norvane
