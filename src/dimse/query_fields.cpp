#include "dimse/query_fields.hpp"

#include <array>

namespace norvane {

template <>
std::span<const RecordField<StudyInfo>> RecordFields<StudyInfo>() {
  using S = StudyInfo;
  static constexpr std::array<RecordField<S>, 14> kFields{{
      {"PatientName", &S::PatientName, 0x0010, 0x0010},
      {"PatientID", &S::PatientID, 0x0010, 0x0020},
      {"PatientAge", &S::PatientAge, 0x0010, 0x1010},
      {"PatientSex", &S::PatientSex, 0x0010, 0x0040},
      {"PatientBD", &S::PatientBD, 0x0010, 0x0030},
      {"StudyDate", &S::StudyDate, 0x0008, 0x0020},
      {"StudyTime", &S::StudyTime, 0x0008, 0x0030},
      {"StudyID", &S::StudyID, 0x0020, 0x0010},
      {"StudyDescription", &S::StudyDescription, 0x0008, 0x1030},
      {"StudyInstanceUID", &S::StudyInstanceUID, 0x0020, 0x000D},
      {"InstitutionName", &S::InstitutionName, 0x0008, 0x0080},
      {"PhysiciansName", &S::PhysiciansName, 0x0008, 0x0090},
      {"Modalities", &S::Modalities, 0x0008, 0x0061},
      {"AccessionNumber", &S::AccessionNumber, 0x0008, 0x0050},
  }};
  return kFields;
}

template <>
std::span<const RecordField<SeriesInfo>> RecordFields<SeriesInfo>() {
  using S = SeriesInfo;
  static constexpr std::array<RecordField<S>, 10> kFields{{
      {"SeriesDate", &S::SeriesDate, 0x0008, 0x0021},
      {"SeriesTime", &S::SeriesTime, 0x0008, 0x0031},
      {"SeriesDescription", &S::SeriesDescription, 0x0008, 0x103E},
      {"BodyPartExamined", &S::BodyPartExamined, 0x0018, 0x0015},
      {"SeriesInstanceUID", &S::SeriesInstanceUID, 0x0020, 0x000E},
      {"SeriesNumber", &S::SeriesNumber, 0x0020, 0x0011},
      {"Modality", &S::Modality, 0x0008, 0x0060},
      {"StudyInstanceUID", &S::StudyInstanceUID, 0x0020, 0x000D},
      {"ProtocolName", &S::ProtocolName, 0x0018, 0x1030},
      {"PatientPosition", &S::PatientPosition, 0x0018, 0x5100},
  }};
  return kFields;
}

template <>
std::span<const RecordField<ImageInfo>> RecordFields<ImageInfo>() {
  using I = ImageInfo;
  static constexpr std::array<RecordField<I>, 18> kFields{{
      {"ImageDate", &I::ImageDate, 0x0008, 0x0023},
      {"ImageTime", &I::ImageTime, 0x0008, 0x0033},
      {"ImageNumber", &I::ImageNumber, 0x0020, 0x0013},
      {"AcquisitionDate", &I::AcquisitionDate, 0x0008, 0x0022},
      {"AcquisitionTime", &I::AcquisitionTime, 0x0008, 0x0032},
      {"AcquisitionNumber", &I::AcquisitionNumber, 0x0020, 0x0012},
      {"SOPInstanceUID", &I::SOPInstanceUID, 0x0008, 0x0018},
      {"SOPClassUID", &I::SOPClassUID, 0x0008, 0x0016},
      {"SeriesNumber", &I::SeriesNumber, 0x0020, 0x0011},
      {"SeriesInstanceUID", &I::SeriesInstanceUID, 0x0020, 0x000E},
      {"StudyInstanceUID", &I::StudyInstanceUID, 0x0020, 0x000D},
      {"SliceLocation", &I::SliceLocation, 0x0020, 0x1041},
      {"ImageType", &I::ImageType, 0x0008, 0x0008},
      {"NumberOfFrames", &I::NumberOfFrames, 0x0028, 0x0008},
      {"ImagePosition", &I::ImagePosition, 0x0020, 0x0030},
      {"ImageOrientation", &I::ImageOrientation, 0x0020, 0x0037},
      {"ImagePositionPatient", &I::ImagePositionPatient, 0x0020, 0x0032},
      {"FrameOfReferenceUID", &I::FrameOfReferenceUID, 0x0020, 0x0052},
  }};
  return kFields;
}

}  // namespace norvane
