#include "dimse/query_identifier.hpp"

#include "dimse/query_fields.hpp"
#include "dimse/query_key.hpp"

namespace norvane {
namespace {

constexpr uint16_t kQueryRetrieveLevelGroup = 0x0008;
constexpr uint16_t kQueryRetrieveLevelElement = 0x0052;

TagRecord QueryRetrieveLevel(QueryLevel level) {
  return QueryKey(kQueryRetrieveLevelGroup, kQueryRetrieveLevelElement, "CS",
                  QueryLevelText(level));
}

// Response elements land in the field with the same attribute.
template <class Record>
void ParseByFieldTable(Record& record, const TagList& identifier) {
  for (const TagRecord& element : identifier) {
    if (!element.HasValue()) continue;
    for (const RecordField<Record>& field : RecordFields<Record>()) {
      if (element.Is(field.group, field.element)) {
        record.*field.member = ResponseText(element);
        break;
      }
    }
  }
}

}  // namespace

void BuildStudyIdentifier(const StudyInfo& r, TagList& id) {
  id.push_back(QueryKey(0x0008, 0x0020, "DA", r.StudyDate));
  id.push_back(QueryKey(0x0008, 0x0030, "TM", r.StudyTime));
  id.push_back(QueryKey(0x0008, 0x0050, "SH", r.AccessionNumber));
  id.push_back(QueryRetrieveLevel(QueryLevel::kStudy));
  id.push_back(QueryKey(0x0008, 0x0061, "CS", r.Modalities));
  id.push_back(QueryKey(0x0008, 0x0080, "LO", r.InstitutionName));
  id.push_back(QueryKey(0x0008, 0x0090, "PN", r.PhysiciansName));
  id.push_back(QueryKey(0x0008, 0x1030, "LO", r.StudyDescription));
  id.push_back(QueryKey(0x0010, 0x0010, "PN", r.PatientName));
  id.push_back(QueryKey(0x0010, 0x0020, "LO", r.PatientID));
  id.push_back(QueryKey(0x0010, 0x0030, "DA", r.PatientBD));
  id.push_back(QueryKey(0x0010, 0x0040, "CS", r.PatientSex));
  id.push_back(QueryKey(0x0010, 0x1010, "AS", r.PatientAge));
  id.push_back(QueryKey(0x0020, 0x000D, "UI", r.StudyInstanceUID));
  id.push_back(QueryKey(0x0020, 0x0010, "SH", r.StudyID));
}

void BuildSeriesIdentifier(const SeriesInfo& r, TagList& id) {
  id.push_back(QueryKey(0x0008, 0x0021, "DA", r.SeriesDate));
  id.push_back(QueryKey(0x0008, 0x0031, "TM", r.SeriesTime));
  id.push_back(QueryRetrieveLevel(QueryLevel::kSeries));
  id.push_back(QueryKey(0x0008, 0x0060, "CS", r.Modality));
  id.push_back(QueryKey(0x0008, 0x103E, "LO", r.SeriesDescription));
  id.push_back(QueryKey(0x0018, 0x0015, "CS", r.BodyPartExamined));
  id.push_back(QueryKey(0x0018, 0x1030, "LO", r.ProtocolName));
  id.push_back(QueryKey(0x0018, 0x5100, "CS", r.PatientPosition));
  id.push_back(QueryKey(0x0020, 0x000D, "UI", r.StudyInstanceUID));
  id.push_back(QueryKey(0x0020, 0x000E, "UI", r.SeriesInstanceUID));
  id.push_back(QueryKey(0x0020, 0x0011, "IS", r.SeriesNumber));
}

void BuildImageIdentifier(const ImageInfo& r, TagList& id) {
  id.push_back(QueryKey(0x0008, 0x0008, "CS", r.ImageType));
  id.push_back(QueryKey(0x0008, 0x0016, "UI", r.SOPClassUID));
  id.push_back(QueryKey(0x0008, 0x0018, "UI", r.SOPInstanceUID));
  id.push_back(QueryKey(0x0008, 0x0022, "DA", r.AcquisitionDate));
  id.push_back(QueryKey(0x0008, 0x0023, "DA", r.ImageDate));
  id.push_back(QueryKey(0x0008, 0x0032, "TM", r.AcquisitionTime));
  id.push_back(QueryKey(0x0008, 0x0033, "TM", r.ImageTime));
  id.push_back(QueryRetrieveLevel(QueryLevel::kImage));
  id.push_back(QueryKey(0x0020, 0x000D, "UI", r.StudyInstanceUID));
  id.push_back(QueryKey(0x0020, 0x000E, "UI", r.SeriesInstanceUID));
  id.push_back(QueryKey(0x0020, 0x0011, "IS", r.SeriesNumber));
  id.push_back(QueryKey(0x0020, 0x0012, "IS", r.AcquisitionNumber));
  id.push_back(QueryKey(0x0020, 0x0013, "IS", r.ImageNumber));
  id.push_back(QueryKey(0x0020, 0x0030, "DS", r.ImagePosition));
  id.push_back(QueryKey(0x0020, 0x0032, "DS", r.ImagePositionPatient));
  id.push_back(QueryKey(0x0020, 0x0037, "DS", r.ImageOrientation));
  id.push_back(QueryKey(0x0020, 0x0052, "UI", r.FrameOfReferenceUID));
  id.push_back(QueryKey(0x0020, 0x1041, "DS", r.SliceLocation));
  id.push_back(QueryKey(0x0028, 0x0008, "IS", r.NumberOfFrames));
}

void ParseStudyResponse(StudyInfo& record, const TagList& identifier) {
  ParseByFieldTable(record, identifier);
}

void ParseSeriesResponse(SeriesInfo& record, const TagList& identifier) {
  ParseByFieldTable(record, identifier);
}

void ParseImageResponse(ImageInfo& record, const TagList& identifier) {
  ParseByFieldTable(record, identifier);
}

}  // namespace norvane
