#include "dimse/worklist_item.hpp"

#include <array>

#include "elements/tags.hpp"

namespace norvane {

template <>
std::span<const RecordField<TWorklistItem>> RecordFields<TWorklistItem>() {
  using W = TWorklistItem;
  static constexpr std::array<RecordField<W>, 23> kFields{{
      {"PatientName", &W::PatientName, tag::kPatientName},
      {"PatientID", &W::PatientID, tag::kPatientID},
      {"PatientBD", &W::PatientBD, tag::kPatientBirthDate},
      {"PatientSex", &W::PatientSex, tag::kPatientSex},
      {"AccessionNumber", &W::AccessionNumber, tag::kAccessionNumber},
      {"RequestingPhysician", &W::RequestingPhysician, tag::kRequestingPhysician},
      {"Reserved", &W::Reserved, Tag{}, false},  // no attribute
      {"ContrastAllergies", &W::ContrastAllergies, tag::kAllergies, false},
      {"StudyInstanceUID", &W::StudyInstanceUID, tag::kStudyInstanceUID},
      {"RequestedProcedureDescription", &W::RequestedProcedureDescription,
       tag::kRequestedProcedureDescription},
      {"SPSStartTime", &W::SPSStartTime, tag::kScheduledProcedureStepStartTime},
      {"SPSStartDate", &W::SPSStartDate, tag::kScheduledProcedureStepStartDate},
      {"Modality", &W::Modality, tag::kModality},
      {"ScheduledStationAET", &W::ScheduledStationAET, tag::kScheduledStationAETitle, false},
      {"ScheduledPerformingPhysician", &W::ScheduledPerformingPhysician,
       tag::kScheduledPerformingPhysicianName},
      {"RequestedContrastAgent", &W::RequestedContrastAgent, tag::kRequestedContrastAgent, false},
      {"SPSID", &W::SPSID, tag::kScheduledProcedureStepID},
      {"SPSDescription", &W::SPSDescription, tag::kScheduledProcedureStepDescription},
      {"ScheduledStationName", &W::ScheduledStationName, tag::kScheduledStationName},
      {"SPSLocation", &W::SPSLocation, tag::kScheduledProcedureStepLocation},
      {"PreMedication", &W::PreMedication, tag::kPreMedication},
      {"RequestedProcedureID", &W::RequestedProcedureID, tag::kRequestedProcedureID, false},
      {"RequestedProcedurePriority", &W::RequestedProcedurePriority,
       tag::kRequestedProcedurePriority, false},
  }};
  return kFields;
}

}  // namespace norvane
