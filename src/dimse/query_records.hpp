#pragma once

// The query records of the Study Root Query/Retrieve information model, one per level. A
// record carries the matching values of a query (an empty field is a return key) and, in
// the other direction, the values of one response. Responses keep their values as received,
// up to the first NUL, padding spaces included.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

enum class QueryLevel : uint8_t { kStudy, kSeries, kImage };

// "STUDY", "SERIES" or "IMAGE", compared exactly; nullopt for any other text.
std::optional<QueryLevel> QueryLevelFromText(std::string_view text);
std::string_view QueryLevelText(QueryLevel level);

struct StudyInfo {
  std::string PatientName;       // (0010,0010) PN
  std::string PatientID;         // (0010,0020) LO
  std::string PatientAge;        // (0010,1010) AS
  std::string PatientSex;        // (0010,0040) CS
  std::string PatientBD;         // (0010,0030) DA
  std::string StudyDate;         // (0008,0020) DA
  std::string StudyTime;         // (0008,0030) TM
  std::string StudyID;           // (0020,0010) SH
  std::string StudyDescription;  // (0008,1030) LO
  std::string StudyInstanceUID;  // (0020,000D) UI
  std::string InstitutionName;   // (0008,0080) LO
  std::string PhysiciansName;    // (0008,0090) PN, referring physician
  std::string Modalities;        // (0008,0061) CS, modalities in study
  std::string AccessionNumber;   // (0008,0050) SH
};

struct SeriesInfo {
  std::string SeriesDate;         // (0008,0021) DA
  std::string SeriesTime;         // (0008,0031) TM
  std::string SeriesDescription;  // (0008,103E) LO
  std::string BodyPartExamined;   // (0018,0015) CS
  std::string SeriesInstanceUID;  // (0020,000E) UI
  std::string SeriesNumber;       // (0020,0011) IS
  std::string Modality;           // (0008,0060) CS
  std::string StudyInstanceUID;   // (0020,000D) UI
  std::string ProtocolName;       // (0018,1030) LO
  std::string PatientPosition;    // (0018,5100) CS
};

struct ImageInfo {
  std::string ImageDate;             // (0008,0023) DA, content date
  std::string ImageTime;             // (0008,0033) TM, content time
  std::string ImageNumber;           // (0020,0013) IS, instance number
  std::string AcquisitionDate;       // (0008,0022) DA
  std::string AcquisitionTime;       // (0008,0032) TM
  std::string AcquisitionNumber;     // (0020,0012) IS
  std::string SOPInstanceUID;        // (0008,0018) UI
  std::string SOPClassUID;           // (0008,0016) UI
  std::string SeriesNumber;          // (0020,0011) IS
  std::string SeriesInstanceUID;     // (0020,000E) UI
  std::string StudyInstanceUID;      // (0020,000D) UI
  std::string SliceLocation;         // (0020,1041) DS
  std::string ImageType;             // (0008,0008) CS
  std::string NumberOfFrames;        // (0028,0008) IS
  std::string ImagePosition;         // (0020,0030) DS, retired
  std::string ImageOrientation;      // (0020,0037) DS, patient
  std::string ImagePositionPatient;  // (0020,0032) DS
  std::string FrameOfReferenceUID;   // (0020,0052) UI
};

// The level a record type queries at: QueryLevelOf<StudyInfo>::value.
template <class Record>
struct QueryLevelOf;
template <>
struct QueryLevelOf<StudyInfo> {
  static constexpr QueryLevel value = QueryLevel::kStudy;
};
template <>
struct QueryLevelOf<SeriesInfo> {
  static constexpr QueryLevel value = QueryLevel::kSeries;
};
template <>
struct QueryLevelOf<ImageInfo> {
  static constexpr QueryLevel value = QueryLevel::kImage;
};

}  // namespace norvane
