#include "dimse/instance_headers.hpp"

#include "datadec/dicom_file_reader.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

constexpr size_t kMaxUIDLength = 64;

}  // namespace

InstanceHeadersResult ReadInstanceHeaders(const std::vector<std::string>& files) {
  InstanceHeadersResult result;
  for (const std::string& file : files) {
    const DicomFileContent content = DICOMFile(file, LargeValues::kLeftInFile);
    if (!content.Ok()) {
      result.Set(ServiceResult::Failed(ServiceFailure::kLocal,
                                       file + ": " + std::string(Describe(content.status))));
      return result;
    }
    const TagList& dataset = content.dataset;
    InstanceHeader header;
    header.file = file;
    header.reference.sopClass = TopLevelText(dataset, tag::kSOPClassUID);
    header.reference.sopInstance = TopLevelText(dataset, tag::kSOPInstanceUID);
    header.seriesInstanceUID = TopLevelText(dataset, tag::kSeriesInstanceUID);
    header.seriesDescription = TopLevelText(dataset, tag::kSeriesDescription);
    header.protocolName = TopLevelText(dataset, tag::kProtocolName);
    header.performingPhysician = TopLevelText(dataset, tag::kPerformingPhysicianName);
    header.operatorsName = TopLevelText(dataset, tag::kOperatorsName);
    const InstanceReference& ref = header.reference;
    if (ref.sopClass.empty() || ref.sopInstance.empty() || ref.sopClass.size() > kMaxUIDLength ||
        ref.sopInstance.size() > kMaxUIDLength) {
      result.Set(ServiceResult::Failed(ServiceFailure::kLocal,
                                       file + ": no SOP Class UID and SOP Instance UID of at "
                                              "most 64 characters"));
      return result;
    }
    result.headers.push_back(std::move(header));
  }
  return result;
}

}  // namespace norvane
