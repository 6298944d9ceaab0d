#pragma once

// The pixel data of a data set as pictures are drawn from it (thumbnails, print images):
// native little-endian samples, decoded first when they are compressed.

#include <string_view>

#include "convert/convert_status.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Whether a data set in this syntax holds native little-endian pixel data as it is read:
// implicit, explicit and deflated explicit VR little endian.
bool HoldsNativeLittleEndianPixels(std::string_view transferSyntax);

// A data set in a compressed syntax the conversion reads (JPEG, RLE, JPEG-LS, JPEG 2000) is
// decoded in place to explicit VR little endian; one that HoldsNativeLittleEndianPixels is
// left as it is. kOk when `dataset` now holds native little-endian pixel data;
// kUnsupportedSourceSyntax for big endian and syntaxes the conversion cannot read; else why
// the decoding failed, with `dataset` as it was.
ConvertStatus DecodeCompressedPixels(TagList& dataset, std::string_view transferSyntax);

}  // namespace norvane
