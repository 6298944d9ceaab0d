#pragma once

#include "datadec/element_reader.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Deepest nesting of sequences and items that ExpandSequence follows.
inline constexpr int kMaxSequenceDepth = 64;

// Appends the flat form of a sequence or item of defined length to `out`: a header record
// (same tag and VR, undefined length), the records of its value in stream order, with
// nested items and sequences (recognised by VR "SQ") flattened in turn, and the closing
// delimiter with VR "DL": Sequence Delimitation Item after an "SQ", Item Delimitation Item
// otherwise. The value is read with the flags of `state`.
// Returns false, and leaves `out` as it was, when the value is malformed (a header cut
// short, a length past the end of the value that holds it), when nesting goes deeper than
// kMaxSequenceDepth, or when the record itself has undefined length.
bool ExpandSequence(const ElementReaderState& state, const TagRecord& record, TagList& out);

}  // namespace norvane
