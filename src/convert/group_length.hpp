#pragma once

#include "elements/byte_order.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Recomputes the group length elements of a dataset for the given encoding. Before Pixel
// Data, a record with element number 0000 is a group length element; it receives the
// encoded size of the records after it up to the next group length element, the last one
// up to the end of the dataset. Its value becomes 4 bytes in the given byte order. From
// Pixel Data on, element 0000 records are measured like any other.
void SetGroupLengths(TagList& list, bool explicitVR, ByteOrder order);

}  // namespace norvane
