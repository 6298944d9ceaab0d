#include "dimse/mpps_scu.hpp"

#include <ctime>
#include <map>

#include "datadec/new_uid.hpp"
#include "dimse/dimse_command.hpp"
#include "dimse/n_message.hpp"
#include "dimse/non_image_sop_classes.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "platform/date_time_format.hpp"

namespace norvane {
namespace {

// The Protocol Name of a series whose objects name neither protocol nor description: the
// attribute is required in the Performed Series Sequence.
constexpr std::string_view kUnnamedProtocol = "UNSPECIFIED";

void Text(TagList& list, Tag tag, std::string_view vr, std::string_view text) {
  list.push_back(GeneratePaddedTag(tag, vr, text));
}

void EmptySequence(TagList& list, Tag tag) {
  list.push_back(UndefinedLengthHeader(tag, "SQ"));
  list.push_back(SequenceDelimiter());
}

// A sequence of references (Referenced SOP Class UID, Referenced SOP Instance UID per
// item); empty when there are none.
void ReferenceSequence(TagList& list, Tag tag, const std::vector<InstanceReference>& refs) {
  list.push_back(UndefinedLengthHeader(tag, "SQ"));
  for (const InstanceReference& ref : refs) {
    list.push_back(ItemHeader());
    list.push_back(GenerateUIDTag(tag::kReferencedSOPClassUID, ref.sopClass));
    list.push_back(GenerateUIDTag(tag::kReferencedSOPInstanceUID, ref.sopInstance));
    list.push_back(ItemDelimiter());
  }
  list.push_back(SequenceDelimiter());
}

}  // namespace

DicomDateTime DicomNow() {
  const std::tm now = LocalTimeNow();
  char date[16];
  char time[16];
  std::strftime(date, sizeof date, "%Y%m%d", &now);
  std::strftime(time, sizeof time, "%H%M%S", &now);
  return {date, time};
}

TagList MppsInProgressDataset(const TWorklistItem& item, const PerformedStepStart& step) {
  const DicomDateTime start = step.start.date.empty() ? DicomNow() : step.start;
  const std::string stepID =
      !step.stepID.empty() ? step.stepID : (!item.SPSID.empty() ? item.SPSID : "1");
  TagList list;
  Text(list, tag::kModality, "CS", step.modality.empty() ? item.Modality : step.modality);
  EmptySequence(list, tag::kProcedureCodeSequence);
  EmptySequence(list, tag::kReferencedPatientSequence);
  Text(list, tag::kPatientName, "PN", item.PatientName);
  Text(list, tag::kPatientID, "LO", item.PatientID);
  Text(list, tag::kPatientBirthDate, "DA", item.PatientBD);
  Text(list, tag::kPatientSex, "CS", item.PatientSex);
  Text(list, tag::kStudyID, "SH", step.studyID);
  Text(list, tag::kPerformedStationAETitle, "AE", step.stationAETitle);
  Text(list, tag::kPerformedStationName, "SH", step.stationName);
  Text(list, tag::kPerformedLocation, "SH", step.location);
  Text(list, tag::kPerformedProcedureStepStartDate, "DA", start.date);
  Text(list, tag::kPerformedProcedureStepStartTime, "TM", start.time);
  Text(list, tag::kPerformedProcedureStepEndDate, "DA", "");
  Text(list, tag::kPerformedProcedureStepEndTime, "TM", "");
  Text(list, tag::kPerformedProcedureStepStatus, "CS", kStepInProgress);
  Text(list, tag::kPerformedProcedureStepID, "SH", stepID);
  Text(list, tag::kPerformedProcedureStepDescription, "LO",
       step.description.empty() ? item.SPSDescription : step.description);
  Text(list, tag::kPerformedProcedureTypeDescription, "LO", item.RequestedProcedureDescription);
  EmptySequence(list, tag::kPerformedProtocolCodeSequence);
  list.push_back(UndefinedLengthHeader(tag::kScheduledStepAttributesSequence, "SQ"));
  list.push_back(ItemHeader());
  Text(list, tag::kAccessionNumber, "SH", item.AccessionNumber);
  EmptySequence(list, tag::kReferencedStudySequence);
  list.push_back(GenerateUIDTag(tag::kStudyInstanceUID, item.StudyInstanceUID));
  Text(list, tag::kRequestedProcedureDescription, "LO", item.RequestedProcedureDescription);
  Text(list, tag::kScheduledProcedureStepDescription, "LO", item.SPSDescription);
  EmptySequence(list, tag::kScheduledProtocolCodeSequence);
  Text(list, tag::kScheduledProcedureStepID, "SH", item.SPSID);
  Text(list, tag::kRequestedProcedureID, "SH", item.RequestedProcedureID);
  list.push_back(ItemDelimiter());
  list.push_back(SequenceDelimiter());
  EmptySequence(list, tag::kPerformedSeriesSequence);
  return list;
}

std::vector<PerformedSeries> PerformedSeriesOf(const std::vector<InstanceHeader>& headers,
                                               std::string_view retrieveAETitle) {
  std::vector<PerformedSeries> series;
  std::map<std::string, size_t> indexOf;
  std::map<std::string, bool> seen;
  for (const InstanceHeader& header : headers) {
    if (!seen.emplace(header.reference.sopInstance, true).second) continue;
    auto [at, added] = indexOf.emplace(header.seriesInstanceUID, series.size());
    if (added) {
      PerformedSeries one;
      one.seriesInstanceUID = header.seriesInstanceUID;
      one.seriesDescription = header.seriesDescription;
      one.protocolName = !header.protocolName.empty()        ? header.protocolName
                         : !header.seriesDescription.empty() ? header.seriesDescription
                                                             : std::string(kUnnamedProtocol);
      one.performingPhysician = header.performingPhysician;
      one.operatorsName = header.operatorsName;
      one.retrieveAETitle = retrieveAETitle;
      series.push_back(std::move(one));
    }
    PerformedSeries& target = series[at->second];
    (IsNonImageSOPClass(header.reference.sopClass) ? target.nonImages : target.images)
        .push_back(header.reference);
  }
  return series;
}

TagList MppsFinalDataset(std::string_view status, const DicomDateTime& end,
                         const std::vector<PerformedSeries>& series) {
  TagList list;
  Text(list, tag::kPerformedProcedureStepEndDate, "DA", end.date);
  Text(list, tag::kPerformedProcedureStepEndTime, "TM", end.time);
  Text(list, tag::kPerformedProcedureStepStatus, "CS", status);
  list.push_back(UndefinedLengthHeader(tag::kPerformedSeriesSequence, "SQ"));
  for (const PerformedSeries& one : series) {
    list.push_back(ItemHeader());
    Text(list, tag::kRetrieveAETitle, "AE", one.retrieveAETitle);
    Text(list, tag::kSeriesDescription, "LO", one.seriesDescription);
    Text(list, tag::kPerformingPhysicianName, "PN", one.performingPhysician);
    Text(list, tag::kOperatorsName, "PN", one.operatorsName);
    ReferenceSequence(list, tag::kReferencedImageSequence, one.images);
    Text(list, tag::kProtocolName, "LO", one.protocolName);
    list.push_back(GenerateUIDTag(tag::kSeriesInstanceUID, one.seriesInstanceUID));
    ReferenceSequence(list, tag::kReferencedNonImageCompositeSOPInstanceSequence, one.nonImages);
    list.push_back(ItemDelimiter());
  }
  list.push_back(SequenceDelimiter());
  return list;
}

MppsResult CreateMpps(PDU_Service& pdu, const TagList& dataset, std::string_view instanceUID) {
  MppsResult result;
  result.instanceUID = instanceUID.empty() ? NewUID() : std::string(instanceUID);
  const DimseCommand request = NRequest(kNCreateRQ, uid::kModalityPerformedProcedureStep,
                                        result.instanceUID, pdu.NextMessageID(), true);
  result.Set(WriteNRequest(pdu, request, &dataset));
  if (!result) return result;
  std::string confirmed;
  result.Set(ReadNResponse(pdu, kNCreateRSP, nullptr, &confirmed));
  if (result && !confirmed.empty()) result.instanceUID = confirmed;
  return result;
}

ServiceResult SetMpps(PDU_Service& pdu, std::string_view instanceUID, const TagList& dataset) {
  const ServiceResult sent =
      WriteNRequest(pdu, kNSetRQ, uid::kModalityPerformedProcedureStep, instanceUID, &dataset);
  if (!sent) return sent;
  return ReadNResponse(pdu, kNSetRSP, nullptr, nullptr);
}

namespace {

template <class Exchange>
auto OnMppsAssociation(const AssociationParameters& peer, Exchange&& exchange)
    -> decltype(exchange(std::declval<PDU_Service&>())) {
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  decltype(exchange(pdu)) result;
  result.Set(OpenAssoc(pdu, peer, uid::kModalityPerformedProcedureStep));
  if (result) result = exchange(pdu);
  CloseAssoc(pdu);
  return result;
}

}  // namespace

MppsResult CreateMppsSCU(const AssociationParameters& peer, const TagList& dataset,
                         std::string_view instanceUID) {
  return OnMppsAssociation(peer,
                           [&](PDU_Service& pdu) { return CreateMpps(pdu, dataset, instanceUID); });
}

ServiceResult SetMppsSCU(const AssociationParameters& peer, std::string_view instanceUID,
                         const TagList& dataset) {
  return OnMppsAssociation(peer,
                           [&](PDU_Service& pdu) { return SetMpps(pdu, instanceUID, dataset); });
}

}  // namespace norvane
