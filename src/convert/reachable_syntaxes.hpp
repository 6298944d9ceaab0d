#pragma once

// Which transfer syntaxes a data set can be sent or written in: the question a storage
// requester asks before it proposes presentation contexts.

#include <string>
#include <string_view>
#include <vector>

#include "convert/convert_status.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Whether ConvertDataset can take `dataset` from `sourceUid` to `targetUid`, judged from
// the two syntaxes and the image pixel module as ConvertDataset gathers it, without coding
// any pixel data: kOk, or the reason it cannot. A conversion judged possible can still fail
// where only the coded data tell (a malformed sequence or fragment, a codec error).
ConvertStatus CheckConversion(const TagList& dataset, std::string_view targetUid,
                              std::string_view sourceUid);

// The transfer syntaxes the data set can be had in: first its own (UID text up to any NUL),
// as it is, then every supported syntax CheckConversion judges reachable, in the order
// implicit VR little endian, explicit VR little endian, explicit VR big endian, JPEG
// baseline, JPEG lossless. A data set in a syntax the conversion cannot read (JPEG extended,
// for one) has only its own.
std::vector<std::string> ReachableTransferSyntaxes(const TagList& dataset,
                                                   std::string_view sourceUid);

// The same judged from a file's header, without its pixel data read: the elements before
// the Pixel Data (DICOMHeader) and that element's header, whose whole value the file holds.
std::vector<std::string> ReachableTransferSyntaxes(const TagList& header,
                                                   const TagRecord& pixelDataHeader,
                                                   std::string_view sourceUid);

}  // namespace norvane
