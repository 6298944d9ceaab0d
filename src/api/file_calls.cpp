// Part 10 files, DICOMDIRs, transfer syntax conversion and thumbnails.

#include <filesystem>
#include <string>

#include "api/api_types.hpp"
#include "api/boundary.hpp"
#include "api/tag_lists.hpp"
#include "convert/convert_dataset.hpp"
#include "convert/convert_file.hpp"
#include "datadec/append_meta_header.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_header_reader.hpp"
#include "rddcmdir/read_dcmdir.hpp"
#include "thumbnail/create_thumbnail.hpp"

using norvane::api::AppendRecords;
using norvane::api::Byte;
using norvane::api::Fail;
using norvane::api::Guarded;
using norvane::api::Text;

namespace {

// Hands the records read to the caller's list, when there is one.
void Deliver(TList* list, norvane::TagList&& records) {
  if (list != nullptr) AppendRecords(*list, std::move(records));
}

// "the file 'NAME' " and what is wrong with it; a file that is not there says so.
std::string FileProblem(const char* fileName, std::string_view problem) {
  const std::string name(Text(fileName));
  std::error_code ignored;
  if (!std::filesystem::exists(name, ignored)) return "the file '" + name + "' does not exist";
  return "the file '" + name + "' " + std::string(problem);
}

}  // namespace

extern "C" {

uint8_t DICOMHeader(const char* fileName, TList* elements) {
  return Guarded<uint8_t>(0, [&] {
    norvane::TagList records;
    const bool read = norvane::DICOMHeader(std::string(Text(fileName)), records);
    Deliver(elements, std::move(records));
    if (!read) {
      return Fail<uint8_t>(0, FileProblem(fileName,
                                          "cannot be opened, is not a DICOM file or is cut short "
                                          "before its pixel data"));
    }
    return Byte(true);
  });
}

// The records read before a failure are appended too.
int32_t DICOMFile(const char* fileName, TList* meta, TList* dataset, uint8_t* explicitVR) {
  return Guarded<int32_t>(0, [&] {
    norvane::DicomFileContent content = norvane::DICOMFile(std::string(Text(fileName)));
    Deliver(meta, std::move(content.meta));
    Deliver(dataset, std::move(content.dataset));
    if (explicitVR != nullptr) *explicitVR = Byte(content.explicitVR);
    if (!content.Ok()) return Fail<int32_t>(0, FileProblem(fileName, Describe(content.status)));
    return int32_t{1};
  });
}

uint8_t ReadDCMDIR(const char* fileName, TList* records) {
  return Guarded<uint8_t>(0, [&] {
    norvane::TagList read;
    const bool found = norvane::ReadDCMDIR(std::string(Text(fileName)), read);
    Deliver(records, std::move(read));
    if (!found) {
      return Fail<uint8_t>(0, FileProblem(fileName,
                                          "cannot be read as a DICOMDIR (it cannot be opened, has "
                                          "no \"DICM\" after a 128-byte preamble, or no offset "
                                          "of its first record)"));
    }
    return Byte(true);
  });
}

// On success the caller's records are freed and the list holds the converted ones; on
// failure the list and its records are left exactly as they were.
uint8_t ConvertTS(TList* dataset, const char* targetTransferSyntax,
                  const char* sourceTransferSyntax) {
  if (dataset == nullptr) return Fail<uint8_t>(0, "no data set list (NULL)");
  return Guarded<uint8_t>(0, [&] {
    norvane::api::LentTags lent(*dataset);
    norvane::TagList converted;
    const norvane::ConvertStatus status = norvane::ConvertDataset(
        converted, lent.tags(), Text(targetTransferSyntax), Text(sourceTransferSyntax));
    if (status != norvane::ConvertStatus::kOk) {
      return Fail<uint8_t>(0, "the data set cannot be converted from " +
                                  std::string(Text(sourceTransferSyntax)) + " to " +
                                  std::string(Text(targetTransferSyntax)) + ": " +
                                  std::string(Describe(status)));
    }
    lent.tags() = std::move(converted);
    lent.Replace();
    return Byte(true);
  });
}

int32_t ConvertFileTS(const char* newFileName, const char* existingFileName,
                      const char* targetTransferSyntax) {
  return Guarded<int32_t>(0, [&] {
    const norvane::FileConvertResult result =
        norvane::ConvertFileTS(std::string(Text(newFileName)), std::string(Text(existingFileName)),
                               Text(targetTransferSyntax));
    switch (result.status) {
      case norvane::FileConvertStatus::kConverted:
      case norvane::FileConvertStatus::kCopied:
        return int32_t{1};
      case norvane::FileConvertStatus::kNotConverted:
        return Fail<int32_t>(
            0, FileProblem(existingFileName, "cannot be converted from " + result.sourceSyntax +
                                                 ": " + std::string(Describe(result.conversion))));
      case norvane::FileConvertStatus::kCannotWrite:
        return Fail<int32_t>(0,
                             "the file '" + std::string(Text(newFileName)) + "' cannot be written");
      case norvane::FileConvertStatus::kCannotRead:
        break;
    }
    return Fail<int32_t>(0, FileProblem(existingFileName, Describe(result.status)));
  });
}

int32_t AppendMetaHeader(const char* fileName, const char* transferSyntax) {
  return Guarded<int32_t>(0, [&] {
    const norvane::AppendMetaResult result =
        norvane::AppendMetaHeader(std::string(Text(fileName)), Text(transferSyntax));
    if (result != norvane::AppendMetaResult::kDone) {
      return Fail<int32_t>(0, FileProblem(fileName, Describe(result)));
    }
    return int32_t{1};
  });
}

uint8_t CreateThumbnail(const char* outputName, const char* dicomName, int32_t width) {
  return Guarded<uint8_t>(0, [&] {
    const norvane::ThumbnailStatus status = norvane::CreateThumbnail(
        std::string(Text(outputName)), std::string(Text(dicomName)), width);
    if (status == norvane::ThumbnailStatus::kWritten) return Byte(true);
    if (status == norvane::ThumbnailStatus::kCannotWrite) {
      return Fail<uint8_t>(0, "the thumbnail '" +
                                  norvane::ThumbnailFileName(std::string(Text(outputName))) +
                                  "' cannot be written");
    }
    return Fail<uint8_t>(0, FileProblem(dicomName, Describe(status)));
  });
}

}  // extern "C"
