#include "dimse/worklist_item.hpp"

#include <array>

namespace norvane {

template <>
std::span<const RecordField<TWorklistItem>> RecordFields<TWorklistItem>() {
  using W = TWorklistItem;
  static constexpr std::array<RecordField<W>, 23> kFields{{
      {"PatientName", &W::PatientName, 0x0010, 0x0010},
      {"PatientID", &W::PatientID, 0x0010, 0x0020},
      {"PatientBD", &W::PatientBD, 0x0010, 0x0030},
      {"PatientSex", &W::PatientSex, 0x0010, 0x0040},
      {"AccessionNumber", &W::AccessionNumber, 0x0008, 0x0050},
      {"RequestingPhysician", &W::RequestingPhysician, 0x0032, 0x1032},
      {"Reserved", &W::Reserved, 0x0000, 0x0000, false},
      {"ContrastAllergies", &W::ContrastAllergies, 0x0010, 0x2110, false},
      {"StudyInstanceUID", &W::StudyInstanceUID, 0x0020, 0x000D},
      {"RequestedProcedureDescription", &W::RequestedProcedureDescription, 0x0032, 0x1060},
      {"SPSStartTime", &W::SPSStartTime, 0x0040, 0x0003},
      {"SPSStartDate", &W::SPSStartDate, 0x0040, 0x0002},
      {"Modality", &W::Modality, 0x0008, 0x0060},
      {"ScheduledStationAET", &W::ScheduledStationAET, 0x0040, 0x0001, false},
      {"ScheduledPerformingPhysician", &W::ScheduledPerformingPhysician, 0x0040, 0x0006},
      {"RequestedContrastAgent", &W::RequestedContrastAgent, 0x0032, 0x1070, false},
      {"SPSID", &W::SPSID, 0x0040, 0x0009},
      {"SPSDescription", &W::SPSDescription, 0x0040, 0x0007},
      {"ScheduledStationName", &W::ScheduledStationName, 0x0040, 0x0010},
      {"SPSLocation", &W::SPSLocation, 0x0040, 0x0011},
      {"PreMedication", &W::PreMedication, 0x0040, 0x0012},
      {"RequestedProcedureID", &W::RequestedProcedureID, 0x0040, 0x1001, false},
      {"RequestedProcedurePriority", &W::RequestedProcedurePriority, 0x0040, 0x1003, false},
  }};
  return kFields;
}

}  // namespace norvane
