#pragma once

// The image's record of lossy compression: Lossy Image Compression (0028,2110), its Ratio
// (0028,2112) and Method (0028,2114).

#include "convert/pixel_data_conversion.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Once an image has been through a lossy step it stays marked lossy. After a conversion
// that decoded or coded lossy streams (JPEG baseline, JPEG-LS near-lossless, JPEG 2000 with
// the irreversible wavelet), the top-level Lossy Image Compression of `list` is "01". Lossy
// coding adds a value to the Ratio (uncompressed sample bytes / compressed bytes) and its
// method ("ISO_10918_1", "ISO_14495_1", "ISO_15444_1") to the Method, after the values of
// earlier steps. A decoded lossy stream whose image was not marked "01" and names no earlier
// step gets that step's ratio and method. Elements that are missing are inserted in tag
// order.
void MarkLossyCompression(TagList& list, const PixelDataOutcome& outcome);

}  // namespace norvane
