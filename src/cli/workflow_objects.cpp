#include "cli/workflow_objects.hpp"

#include <stdlib.h>

#include <filesystem>
#include <span>

#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/new_uid.hpp"
#include "dimse/dimse_command.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"
#include "net/uids.hpp"

namespace norvane::cli {
namespace {

constexpr uint16_t kGeneratedSize = 64;

bool Before(const TagRecord& a, Tag b) {
  return a.group != b.group ? a.group < b.group : a.element < b.element;
}

// Puts the record at the top level: over the record of its tag, else before the first
// top-level record of a higher tag.
void SetTopLevel(TagList& list, TagRecord record) {
  const Tag tag{record.group, record.element};
  for (auto at = TopLevel(list).begin(); at != TopLevel(list).end(); ++at) {
    if (at->Is(tag)) {
      list[at.Index()] = std::move(record);
      return;
    }
    if (!Before(*at, tag)) {
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(at.Index()), std::move(record));
      return;
    }
  }
  list.push_back(std::move(record));
}

void SetItemAttributes(TagList& dataset, const TWorklistItem& item, const std::string& series,
                       const std::string& instance) {
  SetTopLevel(dataset, GeneratePaddedTag(tag::kPatientName, "PN", item.PatientName));
  SetTopLevel(dataset, GeneratePaddedTag(tag::kPatientID, "LO", item.PatientID));
  SetTopLevel(dataset, GeneratePaddedTag(tag::kPatientBirthDate, "DA", item.PatientBD));
  SetTopLevel(dataset, GeneratePaddedTag(tag::kPatientSex, "CS", item.PatientSex));
  SetTopLevel(dataset, GeneratePaddedTag(tag::kAccessionNumber, "SH", item.AccessionNumber));
  SetTopLevel(dataset, GenerateUIDTag(tag::kStudyInstanceUID, item.StudyInstanceUID));
  SetTopLevel(dataset, GenerateUIDTag(tag::kSeriesInstanceUID, series));
  SetTopLevel(dataset, GenerateUIDTag(tag::kSOPInstanceUID, instance));
}

// A small 8-bit gradient image of the Secondary Capture Image Storage class.
TagList GeneratedImage(const TWorklistItem& item, size_t number) {
  TagList dataset;
  dataset.push_back(GenerateUIDTag(tag::kSOPClassUID, uid::kSecondaryCaptureImageStorage));
  dataset.push_back(
      GeneratePaddedTag(tag::kModality, "CS", item.Modality.empty() ? "OT" : item.Modality));
  dataset.push_back(GeneratePaddedTag(tag::kConversionType, "CS", "WSD"));
  dataset.push_back(GeneratePaddedTag(tag::kSeriesNumber, "IS", "1"));
  dataset.push_back(GeneratePaddedTag(tag::kInstanceNumber, "IS", std::to_string(number)));
  dataset.push_back(GenerateUSTag(tag::kSamplesPerPixel, 1));
  dataset.push_back(GeneratePaddedTag(tag::kPhotometricInterpretation, "CS", "MONOCHROME2"));
  dataset.push_back(GenerateUSTag(tag::kRows, kGeneratedSize));
  dataset.push_back(GenerateUSTag(tag::kColumns, kGeneratedSize));
  dataset.push_back(GenerateUSTag(tag::kBitsAllocated, 8));
  dataset.push_back(GenerateUSTag(tag::kBitsStored, 8));
  dataset.push_back(GenerateUSTag(tag::kHighBit, 7));
  dataset.push_back(GenerateUSTag(tag::kPixelRepresentation, 0));
  std::vector<uint8_t> pixels(size_t{kGeneratedSize} * kGeneratedSize);
  for (size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = static_cast<uint8_t>((i % kGeneratedSize + i / kGeneratedSize + number * 16) * 2);
  }
  dataset.push_back(GenerateTag(tag::kPixelData, "OB", pixels));
  return dataset;
}

}  // namespace

ScratchFolder::ScratchFolder() {
  std::error_code error;
  std::string pattern = (std::filesystem::temp_directory_path(error) / "norvane-workflow-XXXXXX");
  if (error) pattern = "/tmp/norvane-workflow-XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

WorkflowObjects PrepareWorkflowObjects(const TWorklistItem& item,
                                       const std::vector<std::string>& sources, size_t generated,
                                       const std::string& folder) {
  WorkflowObjects objects;
  const std::string series = NewUID();
  const size_t count = sources.empty() ? generated : sources.size();
  for (size_t i = 0; i < count; ++i) {
    DicomFileContent content;
    std::string syntax(uid::kImplicitVRLittleEndian);
    if (sources.empty()) {
      content.dataset = GeneratedImage(item, i + 1);
      content.explicitVR = false;
    } else {
      content = DICOMFile(sources[i]);
      const std::string fileSyntax =
          content.Ok() ? GetTagText(content.meta, tag::kTransferSyntaxUID) : std::string();
      if (fileSyntax.empty()) {
        objects.Set(ServiceResult::Failed(
            ServiceFailure::kLocal, sources[i] + ": not a DICOM file with a transfer syntax"));
        return objects;
      }
      syntax = fileSyntax;
    }
    const std::string instance = NewUID();
    SetItemAttributes(content.dataset, item, series, instance);
    TagList meta;
    BuildMetaHeader(meta, TopLevelText(content.dataset, tag::kSOPClassUID), instance, syntax);
    const std::string file = folder + std::to_string(i + 1) + ".dcm";
    if (!WriteDicomFile(file, &meta, content.dataset, content.explicitVR,
                        content.bigEndian ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian)) {
      objects.Set(ServiceResult::Failed(ServiceFailure::kLocal, "cannot write " + file));
      return objects;
    }
    objects.files.push_back(file);
  }
  return objects;
}

}  // namespace norvane::cli
