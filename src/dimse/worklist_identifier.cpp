#include "dimse/worklist_identifier.hpp"

#include "datadec/expand_sequence.hpp"
#include "dimse/query_key.hpp"

namespace norvane {
namespace {

constexpr uint16_t kStepSequenceGroup = 0x0040;
constexpr uint16_t kStepSequenceElement = 0x0100;

TagRecord Undefined(uint16_t group, uint16_t element, std::string_view vr) {
  TagRecord record;
  record.group = group;
  record.element = element;
  record.SetVR(vr);
  record.length = kUndefinedLength;
  return record;
}

TagRecord Delimiter(uint16_t element) {
  TagRecord record;
  record.group = kItemGroup;
  record.element = element;
  record.SetVR("DL");
  return record;
}

constexpr uint32_t Tag(uint16_t group, uint16_t element) {
  return (uint32_t{group} << 16) | element;
}

// Attributes taken wherever they stand in the response.
std::string* TopLevelField(TWorklistItem& r, uint32_t tag) {
  switch (tag) {
    case Tag(0x0008, 0x0050):
      return &r.AccessionNumber;
    case Tag(0x0010, 0x0010):
      return &r.PatientName;
    case Tag(0x0010, 0x0020):
      return &r.PatientID;
    case Tag(0x0010, 0x0030):
      return &r.PatientBD;
    case Tag(0x0010, 0x0040):
      return &r.PatientSex;
    case Tag(0x0010, 0x2110):
      return &r.ContrastAllergies;
    case Tag(0x0020, 0x000D):
      return &r.StudyInstanceUID;
    case Tag(0x0032, 0x1032):
      return &r.RequestingPhysician;
    case Tag(0x0032, 0x1060):
      return &r.RequestedProcedureDescription;
    case Tag(0x0032, 0x1070):
      return &r.RequestedContrastAgent;
    case Tag(0x0040, 0x1001):
      return &r.RequestedProcedureID;
    case Tag(0x0040, 0x1003):
      return &r.RequestedProcedurePriority;
    default:
      return nullptr;
  }
}

// Attributes of a scheduled procedure step.
std::string* StepField(TWorklistItem& r, uint32_t tag) {
  switch (tag) {
    case Tag(0x0008, 0x0060):
      return &r.Modality;
    case Tag(0x0032, 0x1070):
      return &r.RequestedContrastAgent;
    case Tag(0x0040, 0x0001):
      return &r.ScheduledStationAET;
    case Tag(0x0040, 0x0002):
      return &r.SPSStartDate;
    case Tag(0x0040, 0x0003):
      return &r.SPSStartTime;
    case Tag(0x0040, 0x0006):
      return &r.ScheduledPerformingPhysician;
    case Tag(0x0040, 0x0007):
      return &r.SPSDescription;
    case Tag(0x0040, 0x0009):
      return &r.SPSID;
    case Tag(0x0040, 0x0010):
      return &r.ScheduledStationName;
    case Tag(0x0040, 0x0011):
      return &r.SPSLocation;
    case Tag(0x0040, 0x0012):
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
    if (std::string* field = StepField(record, Tag(element.group, element.element))) {
      *field = ResponseText(element);
    }
  }
}

}  // namespace

void BuildWorklistIdentifier(const TWorklistItem& r, TagList& id) {
  id.push_back(QueryKey(0x0008, 0x0050, "SH", r.AccessionNumber));
  id.push_back(QueryKey(0x0010, 0x0010, "PN", r.PatientName));
  id.push_back(QueryKey(0x0010, 0x0020, "LO", r.PatientID));
  id.push_back(QueryKey(0x0010, 0x0030, "DA", r.PatientBD));
  id.push_back(QueryKey(0x0010, 0x0040, "CS", r.PatientSex));
  id.push_back(QueryKey(0x0010, 0x2110, "LO", {}));  // ContrastAllergies: return key
  id.push_back(QueryKey(0x0020, 0x000D, "UI", r.StudyInstanceUID));
  id.push_back(QueryKey(0x0032, 0x1032, "PN", r.RequestingPhysician));
  id.push_back(QueryKey(0x0032, 0x1060, "LO", r.RequestedProcedureDescription));
  id.push_back(Undefined(kStepSequenceGroup, kStepSequenceElement, "SQ"));
  id.push_back(Undefined(kItemGroup, kItemElement, "DL"));
  id.push_back(QueryKey(0x0008, 0x0060, "CS", r.Modality));
  id.push_back(QueryKey(0x0032, 0x1070, "LO", {}));  // RequestedContrastAgent: return key
  id.push_back(QueryKey(0x0040, 0x0001, "AE", {}));  // ScheduledStationAET: return key
  id.push_back(QueryKey(0x0040, 0x0002, "DA", r.SPSStartDate));
  id.push_back(QueryKey(0x0040, 0x0003, "TM", r.SPSStartTime));
  id.push_back(QueryKey(0x0040, 0x0006, "PN", r.ScheduledPerformingPhysician));
  id.push_back(QueryKey(0x0040, 0x0007, "LO", r.SPSDescription));
  id.push_back(QueryKey(0x0040, 0x0009, "SH", r.SPSID));
  id.push_back(QueryKey(0x0040, 0x0010, "SH", r.ScheduledStationName));
  id.push_back(QueryKey(0x0040, 0x0011, "SH", r.SPSLocation));
  id.push_back(QueryKey(0x0040, 0x0012, "LO", r.PreMedication));
  id.push_back(Delimiter(kItemDelimitationElement));
  id.push_back(Delimiter(kSequenceDelimitationElement));
  id.push_back(QueryKey(0x0040, 0x1001, "SH", {}));  // RequestedProcedureID: return key
  id.push_back(QueryKey(0x0040, 0x1003, "SH", {}));  // RequestedProcedurePriority: return key
}

void ParseWorklistResponse(TWorklistItem& record, const TagList& identifier,
                           const ElementReaderState& encoding) {
  bool inSequence = false;
  for (const TagRecord& element : identifier) {
    if (element.Is(kStepSequenceGroup, kStepSequenceElement)) {
      if (element.HasValue()) {
        TakeSteps(record, element, encoding);
      } else {
        inSequence = true;  // the items follow flat, up to the end of the response
      }
      continue;
    }
    if (!element.HasValue()) continue;
    const uint32_t tag = norvane::Tag{element.group, element.element}.Value();
    std::string* field = TopLevelField(record, tag);
    if (field == nullptr && inSequence) field = StepField(record, tag);
    if (field != nullptr) *field = ResponseText(element);
  }
}

}  // namespace norvane
