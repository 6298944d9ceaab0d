#pragma once

// Re-encoding of the value of a defined-length sequence or item in another transfer
// syntax.

#include "elements/byte_order.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Reads the record's value (the encoded items of a sequence, or the encoded elements of
// an item) in the source encoding and appends its records to `out`. Records of implicit
// data without a VR get the dictionary's. Nested sequences and items of defined length are
// re-encoded in the target encoding and kept as one record each; when the byte orders
// differ, the numbers of every value are turned round by VR. A sequence of undefined
// length stays flat: its header, then its content, then its delimiter.
// False, with `out` as it was, when the value is malformed (an element cut short, a length
// past the end of the value), nested deeper than kMaxSequenceDepth, or a re-encoded value
// no longer fits its length field.
bool TranscodeSequence(const TagRecord& record, TagList& out, bool sourceExplicit,
                       ByteOrder sourceOrder, bool targetExplicit, ByteOrder targetOrder);

// Sets the record's value to the encoding of `list` and its length to that size. False,
// with the record unchanged, when a length does not fit its field.
bool EncodeList(TagRecord& record, const TagList& list, bool explicitVR, ByteOrder order);

}  // namespace norvane
