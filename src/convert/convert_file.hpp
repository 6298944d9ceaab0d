#pragma once

// A DICOM file rewritten in another transfer syntax.

#include <string>
#include <string_view>

#include "convert/convert_status.hpp"
#include "convert/frame_coding.hpp"

namespace norvane {

enum class FileConvertStatus : uint8_t {
  kConverted,     // the new file holds the converted dataset
  kCopied,        // the file already had the target syntax and was copied
  kCannotRead,    // not a readable DICOM file with a Transfer Syntax UID
  kNotConverted,  // the dataset could not be converted (see `conversion`)
  kCannotWrite,   // the new file could not be written
};

struct FileConvertResult {
  FileConvertStatus status = FileConvertStatus::kCannotRead;
  ConvertStatus conversion = ConvertStatus::kOk;
  std::string sourceSyntax;  // the existing file's Transfer Syntax UID, when it was read

  bool Ok() const {
    return status == FileConvertStatus::kConverted || status == FileConvertStatus::kCopied;
  }
  explicit operator bool() const { return Ok(); }
};

// Reads `existingFile`; when its transfer syntax already is `targetUid` the file is copied
// to `newFile`, otherwise its dataset is converted and written to `newFile` with a new meta
// group (SOP class and instance from (0008,0016) and (0008,0018), the target syntax, this
// system's implementation identity). The new file is written under a temporary name and
// renamed at the end, so a failure leaves any existing `newFile` as it was; `newFile` may
// be `existingFile`. Near-lossless and lossy targets are coded as `options` say.
FileConvertResult ConvertFileTS(const std::string& newFile, const std::string& existingFile,
                                std::string_view targetUid);
FileConvertResult ConvertFileTS(const std::string& newFile, const std::string& existingFile,
                                std::string_view targetUid, const CodingOptions& options);

std::string_view Describe(FileConvertStatus status);

}  // namespace norvane
