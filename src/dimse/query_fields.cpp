#include "dimse/query_fields.hpp"

#include <array>

#include "elements/tags.hpp"

namespace norvane {

template <>
std::span<const RecordField<StudyInfo>> RecordFields<StudyInfo>() {
  using S = StudyInfo;
  static constexpr std::array<RecordField<S>, 14> kFields{{
      {"PatientName", &S::PatientName, tag::kPatientName},
      {"PatientID", &S::PatientID, tag::kPatientID},
      {"PatientAge", &S::PatientAge, tag::kPatientAge},
      {"PatientSex", &S::PatientSex, tag::kPatientSex},
      {"PatientBD", &S::PatientBD, tag::kPatientBirthDate},
      {"StudyDate", &S::StudyDate, tag::kStudyDate},
      {"StudyTime", &S::StudyTime, tag::kStudyTime},
      {"StudyID", &S::StudyID, tag::kStudyID},
      {"StudyDescription", &S::StudyDescription, tag::kStudyDescription},
      {"StudyInstanceUID", &S::StudyInstanceUID, tag::kStudyInstanceUID},
      {"InstitutionName", &S::InstitutionName, tag::kInstitutionName},
      {"PhysiciansName", &S::PhysiciansName, tag::kReferringPhysicianName},
      {"Modalities", &S::Modalities, tag::kModalitiesInStudy},
      {"AccessionNumber", &S::AccessionNumber, tag::kAccessionNumber},
  }};
  return kFields;
}

template <>
std::span<const RecordField<SeriesInfo>> RecordFields<SeriesInfo>() {
  using S = SeriesInfo;
  static constexpr std::array<RecordField<S>, 10> kFields{{
      {"SeriesDate", &S::SeriesDate, tag::kSeriesDate},
      {"SeriesTime", &S::SeriesTime, tag::kSeriesTime},
      {"SeriesDescription", &S::SeriesDescription, tag::kSeriesDescription},
      {"BodyPartExamined", &S::BodyPartExamined, tag::kBodyPartExamined},
      {"SeriesInstanceUID", &S::SeriesInstanceUID, tag::kSeriesInstanceUID},
      {"SeriesNumber", &S::SeriesNumber, tag::kSeriesNumber},
      {"Modality", &S::Modality, tag::kModality},
      {"StudyInstanceUID", &S::StudyInstanceUID, tag::kStudyInstanceUID},
      {"ProtocolName", &S::ProtocolName, tag::kProtocolName},
      {"PatientPosition", &S::PatientPosition, tag::kPatientPosition},
  }};
  return kFields;
}

template <>
std::span<const RecordField<ImageInfo>> RecordFields<ImageInfo>() {
  using I = ImageInfo;
  static constexpr std::array<RecordField<I>, 18> kFields{{
      {"ImageDate", &I::ImageDate, tag::kContentDate},
      {"ImageTime", &I::ImageTime, tag::kContentTime},
      {"ImageNumber", &I::ImageNumber, tag::kInstanceNumber},
      {"AcquisitionDate", &I::AcquisitionDate, tag::kAcquisitionDate},
      {"AcquisitionTime", &I::AcquisitionTime, tag::kAcquisitionTime},
      {"AcquisitionNumber", &I::AcquisitionNumber, tag::kAcquisitionNumber},
      {"SOPInstanceUID", &I::SOPInstanceUID, tag::kSOPInstanceUID},
      {"SOPClassUID", &I::SOPClassUID, tag::kSOPClassUID},
      {"SeriesNumber", &I::SeriesNumber, tag::kSeriesNumber},
      {"SeriesInstanceUID", &I::SeriesInstanceUID, tag::kSeriesInstanceUID},
      {"StudyInstanceUID", &I::StudyInstanceUID, tag::kStudyInstanceUID},
      {"SliceLocation", &I::SliceLocation, tag::kSliceLocation},
      {"ImageType", &I::ImageType, tag::kImageType},
      {"NumberOfFrames", &I::NumberOfFrames, tag::kNumberOfFrames},
      {"ImagePosition", &I::ImagePosition, tag::kImagePosition},
      {"ImageOrientation", &I::ImageOrientation, tag::kImageOrientationPatient},
      {"ImagePositionPatient", &I::ImagePositionPatient, tag::kImagePositionPatient},
      {"FrameOfReferenceUID", &I::FrameOfReferenceUID, tag::kFrameOfReferenceUID},
  }};
  return kFields;
}

}  // namespace norvane
