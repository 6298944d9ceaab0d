#pragma once

#include <optional>
#include <string>

#include "elements/tag_record.hpp"

namespace norvane {

// Appends every element of a DICOM file before the first element of group 7FE0 (the pixel
// data), meta group and dataset alike, to `list`, with the VR letters the file holds (none
// for implicit VR data). Only the file's start is read, in 64 KiB steps until the pixel
// data, never the whole file.
// True when the file has "DICM" after its preamble and every value before the pixel data
// was there; false when it cannot be opened, has no "DICM", or a value needs more bytes
// than the file holds (the records before it stay in `list`).
bool DICOMHeader(const std::string& fileName, TagList& list);

// The same, and, when the reading ended at the Pixel Data (7FE0,0010) and the file holds
// its whole value (encapsulated data taken as held), that element's tag, VR and length in
// `pixelData`, its value not read; otherwise `pixelData` is left empty.
bool DICOMHeader(const std::string& fileName, TagList& list, std::optional<TagRecord>& pixelData);

}  // namespace norvane
