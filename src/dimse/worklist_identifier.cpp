#include "dimse/worklist_identifier.hpp"

#include <span>

#include "datadec/expand_sequence.hpp"
#include "dimse/query_key.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

// Attributes of the requested procedure, taken at the top level of the response.
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

// Attributes of a scheduled procedure step, taken in the items of its sequence.
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

// Takes the step fields from the Scheduled Procedure Step Sequence at the start of `flat`:
// the elements of its items, not those of sequences inside an item (codes, references).
// A sequence of defined length is read from its value.
void TakeSteps(TWorklistItem& record, std::span<const TagRecord> flat,
               const ElementReaderState& encoding) {
  TagList expanded;
  if (flat.front().HasValue()) {
    if (!ExpandSequence(encoding, flat.front(), expanded)) return;
    flat = expanded;
  }
  constexpr size_t kInItem = 2;  // the sequence and one of its items
  FlatNesting nesting;
  for (const TagRecord& element : flat) {
    const bool inItem = nesting.Depth() == kInItem;
    nesting.Step(element);
    if (nesting.AtTopLevel()) return;  // the sequence has ended
    if (!inItem || !element.HasValue()) continue;
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
  FlatNesting nesting;
  bool afterFlatSteps = false;  // step attributes that follow the items at the top level land too
  for (size_t i = 0; i < identifier.size(); ++i) {
    const TagRecord& element = identifier[i];
    const bool topLevel = nesting.AtTopLevel();
    nesting.Step(element);
    // Another sequence holds attributes of other entities (referenced studies, patients).
    if (!topLevel) continue;
    if (element.Is(tag::kScheduledProcedureStepSequence)) {
      TakeSteps(record, std::span(identifier).subspan(i), encoding);
      afterFlatSteps = afterFlatSteps || !element.HasValue();
      continue;
    }
    if (!element.HasValue()) continue;
    std::string* field = TopLevelField(record, element.GetTag());
    if (field == nullptr && afterFlatSteps) field = StepField(record, element.GetTag());
    if (field != nullptr) *field = ResponseText(element);
  }
}

}  // namespace norvane
