#include "dimse/query_identifier.hpp"

#include "dimse/query_fields.hpp"
#include "dimse/query_key.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

TagRecord QueryRetrieveLevel(QueryLevel level) {
  return QueryKey(tag::kQueryRetrieveLevel, "CS", QueryLevelText(level));
}

// Response elements land in the field with the same attribute; those inside a sequence
// belong to another entity and are passed over.
template <class Record>
void ParseByFieldTable(Record& record, const TagList& identifier) {
  for (const TagRecord& element : TopLevel(identifier)) {
    if (!element.HasValue()) continue;
    for (const RecordField<Record>& field : RecordFields<Record>()) {
      if (element.Is(field.Attribute())) {
        record.*field.member = ResponseText(element);
        break;
      }
    }
  }
}

}  // namespace

void BuildStudyIdentifier(const StudyInfo& r, TagList& id) {
  id.push_back(QueryKey(tag::kStudyDate, "DA", r.StudyDate));
  id.push_back(QueryKey(tag::kStudyTime, "TM", r.StudyTime));
  id.push_back(QueryKey(tag::kAccessionNumber, "SH", r.AccessionNumber));
  id.push_back(QueryRetrieveLevel(QueryLevel::kStudy));
  id.push_back(QueryKey(tag::kModalitiesInStudy, "CS", r.Modalities));
  id.push_back(QueryKey(tag::kInstitutionName, "LO", r.InstitutionName));
  id.push_back(QueryKey(tag::kReferringPhysicianName, "PN", r.PhysiciansName));
  id.push_back(QueryKey(tag::kStudyDescription, "LO", r.StudyDescription));
  id.push_back(QueryKey(tag::kPatientName, "PN", r.PatientName));
  id.push_back(QueryKey(tag::kPatientID, "LO", r.PatientID));
  id.push_back(QueryKey(tag::kPatientBirthDate, "DA", r.PatientBD));
  id.push_back(QueryKey(tag::kPatientSex, "CS", r.PatientSex));
  id.push_back(QueryKey(tag::kPatientAge, "AS", r.PatientAge));
  id.push_back(QueryKey(tag::kStudyInstanceUID, "UI", r.StudyInstanceUID));
  id.push_back(QueryKey(tag::kStudyID, "SH", r.StudyID));
}

void BuildSeriesIdentifier(const SeriesInfo& r, TagList& id) {
  id.push_back(QueryKey(tag::kSeriesDate, "DA", r.SeriesDate));
  id.push_back(QueryKey(tag::kSeriesTime, "TM", r.SeriesTime));
  id.push_back(QueryRetrieveLevel(QueryLevel::kSeries));
  id.push_back(QueryKey(tag::kModality, "CS", r.Modality));
  id.push_back(QueryKey(tag::kSeriesDescription, "LO", r.SeriesDescription));
  id.push_back(QueryKey(tag::kBodyPartExamined, "CS", r.BodyPartExamined));
  id.push_back(QueryKey(tag::kProtocolName, "LO", r.ProtocolName));
  id.push_back(QueryKey(tag::kPatientPosition, "CS", r.PatientPosition));
  id.push_back(QueryKey(tag::kStudyInstanceUID, "UI", r.StudyInstanceUID));
  id.push_back(QueryKey(tag::kSeriesInstanceUID, "UI", r.SeriesInstanceUID));
  id.push_back(QueryKey(tag::kSeriesNumber, "IS", r.SeriesNumber));
}

void BuildImageIdentifier(const ImageInfo& r, TagList& id) {
  id.push_back(QueryKey(tag::kImageType, "CS", r.ImageType));
  id.push_back(QueryKey(tag::kSOPClassUID, "UI", r.SOPClassUID));
  id.push_back(QueryKey(tag::kSOPInstanceUID, "UI", r.SOPInstanceUID));
  id.push_back(QueryKey(tag::kAcquisitionDate, "DA", r.AcquisitionDate));
  id.push_back(QueryKey(tag::kContentDate, "DA", r.ImageDate));
  id.push_back(QueryKey(tag::kAcquisitionTime, "TM", r.AcquisitionTime));
  id.push_back(QueryKey(tag::kContentTime, "TM", r.ImageTime));
  id.push_back(QueryRetrieveLevel(QueryLevel::kImage));
  id.push_back(QueryKey(tag::kStudyInstanceUID, "UI", r.StudyInstanceUID));
  id.push_back(QueryKey(tag::kSeriesInstanceUID, "UI", r.SeriesInstanceUID));
  id.push_back(QueryKey(tag::kSeriesNumber, "IS", r.SeriesNumber));
  id.push_back(QueryKey(tag::kAcquisitionNumber, "IS", r.AcquisitionNumber));
  id.push_back(QueryKey(tag::kInstanceNumber, "IS", r.ImageNumber));
  id.push_back(QueryKey(tag::kImagePosition, "DS", r.ImagePosition));
  id.push_back(QueryKey(tag::kImagePositionPatient, "DS", r.ImagePositionPatient));
  id.push_back(QueryKey(tag::kImageOrientationPatient, "DS", r.ImageOrientation));
  id.push_back(QueryKey(tag::kFrameOfReferenceUID, "UI", r.FrameOfReferenceUID));
  id.push_back(QueryKey(tag::kSliceLocation, "DS", r.SliceLocation));
  id.push_back(QueryKey(tag::kNumberOfFrames, "IS", r.NumberOfFrames));
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
