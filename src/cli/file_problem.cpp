#include "cli/file_problem.hpp"

#include <filesystem>

#include "datadec/dicom_file_reader.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane::cli {

std::string UnreadableDicomFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return "does not exist";
  if (status.type() == std::filesystem::file_type::directory) return "is a folder, not a file";
  const DicomFileContent content = DICOMFile(path);
  if (!content.Ok()) return std::string(Describe(content.status));
  if (FindTag(content.meta, tag::kTransferSyntaxUID) == nullptr) {
    return "has no Transfer Syntax UID (0002,0010)";
  }
  return "cannot be read as a DICOM file";
}

}  // namespace norvane::cli
