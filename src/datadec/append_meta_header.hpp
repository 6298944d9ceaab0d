#pragma once

#include <string>
#include <string_view>

namespace norvane {

enum class AppendMetaResult : uint8_t {
  kDone,
  kCannotOpen,     // the file cannot be opened for reading
  kAlreadyPart10,  // the file already has a preamble and "DICM"
  kNoElements,     // not one element could be read
  kValueCutShort,  // a value needs more bytes than the file holds
  kCannotWrite,    // the new file could not be written; the old one is unchanged
};

std::string_view Describe(AppendMetaResult result);

// Turns a file holding a bare dataset (no preamble, no meta group), encoded as the transfer
// syntax UID says, into a DICOM file holding the same dataset: a meta group naming the
// dataset's SOP class (0008,0016) and instance (0008,0018) and the given transfer syntax,
// then the dataset's elements unchanged. The file is replaced only when the new one has
// been written whole. kDone when the file was read and rewritten.
AppendMetaResult AppendMetaHeader(const std::string& fileName, std::string_view transferSyntaxUID);

}  // namespace norvane
