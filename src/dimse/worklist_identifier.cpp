#include "dimse/worklist_identifier.hpp"

#include "datadec/expand_sequence.hpp"
#include "dimse/query_key.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

// Attributes taken wherever they stand in the response.
std::string* TopLevelField(TWorklistItem& r, Tag attribute) {
  switch (attribute.Value()) {
    case tag::kAccessionNumber.Value():
      return &r.AccessionNumber;
    case tag::kPatientName.Value():
      return &r.PatientName;
    case tag::kPatientID.Value():
      return &r.PatientID;
    case tag::kPatientBirthDate.Value():
      return &r.PatientBD;
    case tag::kPatientSex.Value():
      return &r.PatientSex;
    case tag::kAllergies.Value():
      return &r.ContrastAllergies;
    case tag::kStudyInstanceUID.Value():
      return &r.StudyInstanceUID;
    case tag::kRequestingPhysician.Value():
      return &r.RequestingPhysician;
    case tag::kRequestedProcedureDescription.Value():
      return &r.RequestedProcedureDescription;
    case tag::kRequestedContrastAgent.Value():
      return &r.RequestedContrastAgent;
    case tag::kRequestedProcedureID.Value():
      return &r.RequestedProcedureID;
    case tag::kRequestedProcedurePriority.Value():
      return &r.RequestedProcedurePriority;
    default:
      return nullptr;
  }
}

// Attributes of a scheduled procedure step.
std::string* StepField(TWorklistItem& r, Tag attribute) {
  switch (attribute.Value()) {
    case tag::kModality.Value():
      return &r.Modality;
    case tag::kRequestedContrastAgent.Value():
      return &r.RequestedContrastAgent;
    case tag::kScheduledStationAETitle.Value():
      return &r.ScheduledStationAET;
    case tag::kScheduledProcedureStepStartDate.Value():
      return &r.SPSStartDate;
    case tag::kScheduledProcedureStepStartTime.Value():
      return &r.SPSStartTime;
    case tag::kScheduledPerformingPhysicianName.Value():
      return &r.ScheduledPerformingPhysician;
    case tag::kScheduledProcedureStepDescription.Value():
      return &r.SPSDescription;
    case tag::kScheduledProcedureStepID.Value():
      return &r.SPSID;
    case tag::kScheduledStationName.Value():
      return &r.ScheduledStationName;
    case tag::kScheduledProcedureStepLocation.Value():
      return &r.SPSLocation;
    case tag::kPreMedication.Value():
      return &r.PreMedication;
    default:
      return nullptr;
  }
}

void TakeSteps(TWorklistItem& record, const TagRecord& sequence,
               const ElementReaderState& encoding) {
  TagList steps;
  if (!ExpandSequence(encoding, sequence, steps)) return;
  for (const TagRecord& element : steps) {
    if (!element.HasValue()) continue;
    if (std::string* field = StepField(record, element.GetTag())) {
      *field = ResponseText(element);
    }
  }
}

}  // namespace

void BuildWorklistIdentifier(const TWorklistItem& r, TagList& id) {
  id.push_back(QueryKey(tag::kAccessionNumber, "SH", r.AccessionNumber));
  id.push_back(QueryKey(tag::kPatientName, "PN", r.PatientName));
  id.push_back(QueryKey(tag::kPatientID, "LO", r.PatientID));
  id.push_back(QueryKey(tag::kPatientBirthDate, "DA", r.PatientBD));
  id.push_back(QueryKey(tag::kPatientSex, "CS", r.PatientSex));
  id.push_back(QueryKey(tag::kAllergies, "LO", {}));  // ContrastAllergies: return key
  id.push_back(QueryKey(tag::kStudyInstanceUID, "UI", r.StudyInstanceUID));
  id.push_back(QueryKey(tag::kRequestingPhysician, "PN", r.RequestingPhysician));
  id.push_back(
      QueryKey(tag::kRequestedProcedureDescription, "LO", r.RequestedProcedureDescription));
  id.push_back(UndefinedLengthHeader(tag::kScheduledProcedureStepSequence, "SQ"));
  id.push_back(ItemHeader());
  id.push_back(QueryKey(tag::kModality, "CS", r.Modality));
  id.push_back(
      QueryKey(tag::kRequestedContrastAgent, "LO", {}));  // RequestedContrastAgent: return key
  id.push_back(
      QueryKey(tag::kScheduledStationAETitle, "AE", {}));  // ScheduledStationAET: return key
  id.push_back(QueryKey(tag::kScheduledProcedureStepStartDate, "DA", r.SPSStartDate));
  id.push_back(QueryKey(tag::kScheduledProcedureStepStartTime, "TM", r.SPSStartTime));
  id.push_back(
      QueryKey(tag::kScheduledPerformingPhysicianName, "PN", r.ScheduledPerformingPhysician));
  id.push_back(QueryKey(tag::kScheduledProcedureStepDescription, "LO", r.SPSDescription));
  id.push_back(QueryKey(tag::kScheduledProcedureStepID, "SH", r.SPSID));
  id.push_back(QueryKey(tag::kScheduledStationName, "SH", r.ScheduledStationName));
  id.push_back(QueryKey(tag::kScheduledProcedureStepLocation, "SH", r.SPSLocation));
  id.push_back(QueryKey(tag::kPreMedication, "LO", r.PreMedication));
  id.push_back(ItemDelimiter());
  id.push_back(SequenceDelimiter());
  id.push_back(QueryKey(tag::kRequestedProcedureID, "SH", {}));  // RequestedProcedureID: return key
  id.push_back(QueryKey(tag::kRequestedProcedurePriority, "SH",
                        {}));  // RequestedProcedurePriority: return key
}

void ParseWorklistResponse(TWorklistItem& record, const TagList& identifier,
                           const ElementReaderState& encoding) {
  bool inSequence = false;
  for (const TagRecord& element : identifier) {
    if (element.Is(tag::kScheduledProcedureStepSequence)) {
      if (element.HasValue()) {
        TakeSteps(record, element, encoding);
      } else {
        inSequence = true;  // the items follow flat, up to the end of the response
      }
      continue;
    }
    if (!element.HasValue()) continue;
    std::string* field = TopLevelField(record, element.GetTag());
    if (field == nullptr && inSequence) field = StepField(record, element.GetTag());
    if (field != nullptr) *field = ResponseText(element);
  }
}

}  // namespace norvane
