#include "convert/convert_file.hpp"

#include <filesystem>
#include <new>
#include <system_error>

#include "convert/convert_dataset.hpp"
#include "convert/supported_syntaxes.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "platform/file_bytes.hpp"
#include "platform/replace_file.hpp"

namespace norvane {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

bool CopyReplacing(const std::string& from, const std::string& to) {
  if (SameFile(from, to)) return true;
  const std::optional<std::vector<uint8_t>> bytes = LoadFileBytes(from);
  if (!bytes) return false;
  FileReplacement file(to);
  return file.Open() && file.Write(*bytes) && file.Commit();
}

FileConvertResult Convert(const std::string& newFile, const std::string& existingFile,
                          std::string_view targetUid, const CodingOptions& options) {
  FileConvertResult result;
  TagList dataset;
  const std::optional<std::string> syntax = LoadFileDataset(existingFile, dataset);
  if (!syntax) return result;  // kCannotRead
  result.sourceSyntax = *syntax;

  if (UidText(*syntax) == UidText(targetUid)) {
    result.status = CopyReplacing(existingFile, newFile) ? FileConvertStatus::kCopied
                                                         : FileConvertStatus::kCannotWrite;
    return result;
  }

  const std::string sopClass = TrimmedText(dataset, tag::kSOPClassUID);
  const std::string sopInstance = TrimmedText(dataset, tag::kSOPInstanceUID);
  TagList converted;
  result.conversion = ConvertDataset(converted, dataset, targetUid, *syntax, options);
  if (result.conversion != ConvertStatus::kOk) {
    result.status = FileConvertStatus::kNotConverted;
    return result;
  }
  ClearTags(dataset);

  const std::string target(UidText(targetUid));
  const DatasetEncoding encoding = EncodingOfTransferSyntax(target);
  TagList meta;
  BuildMetaHeader(meta, sopClass, sopInstance, target);
  result.status = WriteDicomFile(newFile, &meta, converted, encoding.explicitVR, encoding.Order())
                      ? FileConvertStatus::kConverted
                      : FileConvertStatus::kCannotWrite;
  return result;
}

}  // namespace

FileConvertResult ConvertFileTS(const std::string& newFile, const std::string& existingFile,
                                std::string_view targetUid) {
  return ConvertFileTS(newFile, existingFile, targetUid, CodingOptions{});
}

FileConvertResult ConvertFileTS(const std::string& newFile, const std::string& existingFile,
                                std::string_view targetUid, const CodingOptions& options) {
  try {
    return Convert(newFile, existingFile, targetUid, options);
  } catch (const std::bad_alloc&) {
    FileConvertResult result;
    result.status = FileConvertStatus::kNotConverted;
    result.conversion = ConvertStatus::kOutOfMemory;
    return result;
  }
}

std::string_view Describe(FileConvertStatus status) {
  switch (status) {
    case FileConvertStatus::kConverted:
      return "converted";
    case FileConvertStatus::kCopied:
      return "copied (already in the target transfer syntax)";
    case FileConvertStatus::kCannotRead:
      return "cannot be read as a DICOM file with a transfer syntax";
    case FileConvertStatus::kNotConverted:
      return "cannot be converted";
    case FileConvertStatus::kCannotWrite:
      return "cannot be written";
  }
  return "unknown";
}

}  // namespace norvane
