#pragma once

// Modality Performed Procedure Step as the modality reports it: N-CREATE of the step with
// status IN PROGRESS, taken from a worklist item, and N-SET with COMPLETED or DISCONTINUED,
// the end date and time and the series performed.

#include <string>
#include <string_view>
#include <vector>

#include "dimse/instance_headers.hpp"
#include "dimse/worklist_item.hpp"
#include "elements/tag_record.hpp"
#include "net/association_parameters.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"

namespace norvane {

namespace uid {
inline constexpr std::string_view kModalityPerformedProcedureStep = "1.2.840.10008.3.1.2.3.3";
}  // namespace uid

// Performed Procedure Step Status (0040,0252) values.
inline constexpr std::string_view kStepInProgress = "IN PROGRESS";
inline constexpr std::string_view kStepCompleted = "COMPLETED";
inline constexpr std::string_view kStepDiscontinued = "DISCONTINUED";

// A date and time as DICOM writes them: "20261208", "221530".
struct DicomDateTime {
  std::string date;
  std::string time;
};
DicomDateTime DicomNow();

// What the modality says about the step it starts, beside the worklist item.
struct PerformedStepStart {
  std::string stepID;          // Performed Procedure Step ID; empty: the SPS ID or "1"
  std::string stationAETitle;  // Performed Station AE Title (our calling title)
  std::string stationName;     // Performed Station Name
  std::string location;        // Performed Location
  std::string description;     // Performed Procedure Step Description
  std::string modality;        // empty: the worklist item's
  std::string studyID;         // Study ID
  DicomDateTime start;         // empty: now
};

// The N-CREATE data set of a step IN PROGRESS: the Scheduled Step Attributes Sequence
// with the item's study, accession, requested procedure and scheduled step; the patient;
// the step's own attributes; and the attributes the final state fills (end date and time,
// Performed Series Sequence, codes) present and empty. It carries no SOP Class or Instance
// UID: the command names them.
TagList MppsInProgressDataset(const TWorklistItem& item, const PerformedStepStart& step);

// One series of the step, for the Performed Series Sequence.
struct PerformedSeries {
  std::string seriesInstanceUID;
  std::string seriesDescription;
  std::string protocolName;
  std::string performingPhysician;
  std::string operatorsName;
  std::string retrieveAETitle;
  std::vector<InstanceReference> images;     // Referenced Image Sequence
  std::vector<InstanceReference> nonImages;  // Referenced Non-Image Composite SOP Instance Seq.
};

// The series the objects belong to, in order of their first object, each instance once;
// the Protocol Name (required in the sequence) falls back to the Series Description,
// then to "UNSPECIFIED".
// `retrieveAETitle` is where they can be retrieved from (may be empty).
std::vector<PerformedSeries> PerformedSeriesOf(const std::vector<InstanceHeader>& headers,
                                               std::string_view retrieveAETitle);

// The N-SET data set that ends the step: its status (COMPLETED or DISCONTINUED), the end
// date and time, and the Performed Series Sequence.
TagList MppsFinalDataset(std::string_view status, const DicomDateTime& end,
                         const std::vector<PerformedSeries>& series);

// N-CREATE of the step on an open association with the MPPS class accepted. The SOP
// Instance UID is `instanceUID`, a new one when empty; the result carries the instance the
// SCP confirmed (its Affected SOP Instance UID when it names one, else ours).
struct [[nodiscard]] MppsResult : ServiceResult {
  std::string instanceUID;
};
MppsResult CreateMpps(PDU_Service& pdu, const TagList& dataset, std::string_view instanceUID = {});
// N-SET of the step.
ServiceResult SetMpps(PDU_Service& pdu, std::string_view instanceUID, const TagList& dataset);

// The same, each on an association of its own to `peer` (MPPS class, implicit VR little
// endian), released afterwards.
MppsResult CreateMppsSCU(const AssociationParameters& peer, const TagList& dataset,
                         std::string_view instanceUID = {});
ServiceResult SetMppsSCU(const AssociationParameters& peer, std::string_view instanceUID,
                         const TagList& dataset);

}  // namespace norvane
