#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

enum class Part10ReadStatus : uint8_t {
  kOk,
  kCannotOpen,     // no such file, or it cannot be read
  kNoDicmPrefix,   // no "DICM" after a 128-byte preamble
  kValueCutShort,  // a value needs more bytes than the file holds
  kBadDeflate,     // a deflated data set that cannot be inflated
};

std::string_view Describe(Part10ReadStatus status);

// A DICOM file read into the meta group and the dataset. After a failure the lists hold the
// records read before it.
struct DicomFileContent {
  TagList meta;
  TagList dataset;
  bool explicitVR = true;  // how the dataset was read
  bool bigEndian = false;
  Part10ReadStatus status = Part10ReadStatus::kOk;

  bool Ok() const { return status == Part10ReadStatus::kOk; }
};

// Reads a whole DICOM file. Meta elements (group 0002) get the VRs of the meta table; the
// dataset is read in the encoding (0002,0010) names, and elements stored as "UN" get their
// dictionary VR. Sequences, items and encapsulated pixel data are read flat; values of
// defined-length sequences stay unexpanded. A last value one byte short of its length is
// accepted (completed with a zero byte); a dataset that ends inside an element header ends
// the reading without error. A deflated data set (Deflated Explicit VR Little Endian) is
// inflated whole after the meta group and read from memory.
// kLeftInFile leaves native Pixel Data of 64 KiB and more (of even length) in the file: its
// record carries `inFile` and no value bytes, for a data set that is only sent or written
// out again; the file is read again as it is encoded. A deflated file keeps every value.
// kOnlyLengthShown leaves every value of 64 KiB and more in the file but those of sequences
// and of their items (which are read as elements): for a reader that shows such values by
// their length only, or reads one back (record.inFile) in the rare case it shows it.
enum class LargeValues : uint8_t { kRead, kLeftInFile, kOnlyLengthShown };
DicomFileContent DICOMFile(const std::string& fileName, LargeValues large = LargeValues::kRead);

// The same over the bytes of a whole file in memory.
DicomFileContent DICOMFile(std::span<const uint8_t> file);

// Appends the dataset of a DICOM file to `dataset` and returns its Transfer Syntax UID
// (the text before the first NUL); nullopt when the file could not be read whole or its
// meta group has no (0002,0010). The meta group is not kept.
std::optional<std::string> LoadFileDataset(const std::string& fileName, TagList& dataset);

}  // namespace norvane
