#include "scp/mpps_service.hpp"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "database/nested_dataset.hpp"
#include "database/store_uid.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/new_uid.hpp"
#include "dictionary/dictionary.hpp"
#include "dimse/mpps_scu.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/uids.hpp"
#include "platform/folders.hpp"

namespace norvane {
namespace {

// Steps are read, checked and written under one lock: two associations that change the
// same step must not both see its old state.
std::mutex stepsMutex;

// Type 1 attributes of the N-CREATE: present and with a value.
constexpr Tag kRequiredOnCreate[] = {
    tag::kModality,
    tag::kPerformedStationAETitle,
    tag::kPerformedProcedureStepStartDate,
    tag::kPerformedProcedureStepStartTime,
    tag::kPerformedProcedureStepStatus,
    tag::kPerformedProcedureStepID,
    tag::kScheduledStepAttributesSequence,
};

// Attributes the step receives with its N-CREATE and that no N-SET may change.
constexpr Tag kCreateOnly[] = {
    tag::kModality,
    tag::kReferencedPatientSequence,
    tag::kPatientName,
    tag::kPatientID,
    tag::kPatientBirthDate,
    tag::kPatientSex,
    tag::kStudyID,
    tag::kPerformedStationAETitle,
    tag::kPerformedStationName,
    tag::kPerformedLocation,
    tag::kPerformedProcedureStepStartDate,
    tag::kPerformedProcedureStepStartTime,
    tag::kPerformedProcedureStepID,
    tag::kScheduledStepAttributesSequence,
};

// A refusal: the status and the comment that says why.
struct Refusal {
  uint16_t status;
  std::string comment;
  std::optional<uint16_t> errorID;
};

std::string TagName(Tag tag) {
  char text[16];
  std::snprintf(text, sizeof text, "(%04X,%04X)", tag.group, tag.element);
  const DictionaryEntry* entry = FindDictionaryEntry(tag.group, tag.element);
  return entry == nullptr ? std::string(text) : std::string(entry->name) + " " + text;
}

std::string TextOf(const NestedItem& dataset, Tag tag) {
  const NestedElement* element = FindNested(dataset, tag);
  return element == nullptr ? std::string() : RecordText(&element->record);
}

bool HasValue(const NestedElement& element) {
  return element.sequence ? !element.items.empty() : !RecordText(&element.record).empty();
}

bool IsStepStatus(std::string_view status) {
  return status == kStepInProgress || status == kStepCompleted || status == kStepDiscontinued;
}

// A UID this SCP can name a file by: digits and dots, at most 64 characters.
bool IsUsableUID(std::string_view uid) {
  return !uid.empty() && uid.size() <= kMaxStoreUIDLength &&
         uid.find_first_not_of("0123456789.") == std::string_view::npos && IsSafeStoreName(uid);
}

std::string StepFolder(const ServiceRequest& request) {
  return request.Settings().folder + "mpps/";
}

std::string StepFile(const ServiceRequest& request, std::string_view instance) {
  return StepFolder(request) + std::string(instance) + ".dcm";
}

// The request's data set, nested; a refusal when it cannot be read as one.
std::optional<NestedItem> NestedRequest(const ServiceRequest& request, const TagList& dataset,
                                        Refusal& refusal) {
  const std::optional<DatasetEncoding> encoding =
      request.Association().MessageEncoding(request.ContextID());
  std::optional<NestedItem> nested = NestDataset(dataset, !encoding || encoding->explicitVR);
  if (!nested) refusal = {kStatusProcessingFailure, "the data set's sequences are malformed", {}};
  return nested;
}

bool WriteStep(const ServiceRequest& request, std::string_view instance, const NestedItem& step) {
  if (!ForceDirectories(StepFolder(request))) return false;
  TagList meta;
  BuildMetaHeader(meta, uid::kModalityPerformedProcedureStep, instance,
                  uid::kExplicitVRLittleEndian);
  return WriteDicomFile(StepFile(request, instance), &meta, FlattenDataset(step), true,
                        ByteOrder::kLittleEndian);
}

std::optional<Refusal> CheckCreate(const NestedItem& dataset) {
  for (const Tag tag : kRequiredOnCreate) {
    const NestedElement* element = FindNested(dataset, tag);
    if (element == nullptr) {
      return Refusal{kStatusMissingAttribute, TagName(tag) + " is missing", {}};
    }
    if (!HasValue(*element)) {
      return Refusal{kStatusMissingAttributeValue, TagName(tag) + " is empty", {}};
    }
  }
  const std::string status = TextOf(dataset, tag::kPerformedProcedureStepStatus);
  if (status != kStepInProgress) {
    return Refusal{
        kStatusInvalidAttributeValue, "a step is created IN PROGRESS, not " + status, {}};
  }
  return std::nullopt;
}

std::optional<Refusal> Create(const ServiceRequest& request, const std::string& instance,
                              const NestedItem& dataset) {
  if (std::optional<Refusal> refused = CheckCreate(dataset)) return refused;
  const std::lock_guard lock(stepsMutex);
  if (std::FILE* file = std::fopen(StepFile(request, instance).c_str(), "rb")) {
    std::fclose(file);
    return Refusal{kStatusDuplicateSOPInstance, "the step " + instance + " exists", {}};
  }
  if (!WriteStep(request, instance, dataset)) {
    return Refusal{kStatusProcessingFailure, "the step cannot be stored", {}};
  }
  return std::nullopt;
}

std::optional<Refusal> CheckSet(const NestedItem& stored, const NestedItem& changes) {
  const std::string current = TextOf(stored, tag::kPerformedProcedureStepStatus);
  if (current == kStepCompleted || current == kStepDiscontinued) {
    return Refusal{kStatusProcessingFailure,
                   "Performed Procedure Step Object may no longer be updated",
                   kErrorIDStepMayNoLongerBeUpdated};
  }
  for (const NestedElement& element : changes) {
    const Tag tag{element.record.group, element.record.element};
    if (std::find(std::begin(kCreateOnly), std::end(kCreateOnly), tag) != std::end(kCreateOnly)) {
      return Refusal{kStatusInvalidAttributeValue, TagName(tag) + " may not be set", {}};
    }
  }
  if (FindNested(changes, tag::kPerformedProcedureStepStatus) == nullptr) return std::nullopt;
  const std::string next = TextOf(changes, tag::kPerformedProcedureStepStatus);
  if (!IsStepStatus(next)) {
    return Refusal{kStatusInvalidAttributeValue, "no step status: " + next, {}};
  }
  return std::nullopt;
}

// The stored step with the changes: each attribute of the N-SET replaces the stored one
// of its tag or is added, in tag order.
NestedItem Merged(NestedItem stored, const NestedItem& changes) {
  for (const NestedElement& change : changes) {
    const auto same = std::find_if(stored.begin(), stored.end(), [&](const NestedElement& e) {
      return e.record.group == change.record.group && e.record.element == change.record.element;
    });
    if (same != stored.end()) {
      *same = change;
    } else {
      stored.push_back(change);
    }
  }
  std::stable_sort(stored.begin(), stored.end(),
                   [](const NestedElement& a, const NestedElement& b) {
                     return std::pair(a.record.group, a.record.element) <
                            std::pair(b.record.group, b.record.element);
                   });
  return stored;
}

std::optional<Refusal> Set(const ServiceRequest& request, const std::string& instance,
                           const NestedItem& changes) {
  const std::lock_guard lock(stepsMutex);
  const DicomFileContent file =
      IsUsableUID(instance) ? DICOMFile(StepFile(request, instance)) : DicomFileContent{};
  if (!IsUsableUID(instance) || !file.Ok()) {
    return Refusal{kStatusNoSuchSOPInstance, "no step " + instance, {}};
  }
  const std::optional<NestedItem> stored = NestDataset(file.dataset, file.explicitVR);
  if (!stored) return Refusal{kStatusProcessingFailure, "the stored step cannot be read", {}};
  if (std::optional<Refusal> refused = CheckSet(*stored, changes)) return refused;
  const NestedItem step = Merged(*stored, changes);
  const std::string status = TextOf(step, tag::kPerformedProcedureStepStatus);
  if ((status == kStepCompleted || status == kStepDiscontinued) &&
      (TextOf(step, tag::kPerformedProcedureStepEndDate).empty() ||
       TextOf(step, tag::kPerformedProcedureStepEndTime).empty())) {
    return Refusal{
        kStatusMissingAttributeValue, "a step " + status + " needs its end date and time", {}};
  }
  if (!WriteStep(request, instance, step)) {
    return Refusal{kStatusProcessingFailure, "the step cannot be stored", {}};
  }
  return std::nullopt;
}

bool Answer(const ServiceRequest& request, const std::string& instance,
            const std::optional<Refusal>& refusal) {
  DimseCommand response = ResponseTo(request.Command(), refusal ? refusal->status : kStatusSuccess);
  response.affectedSOPInstanceUID = instance;
  if (refusal) {
    WriteLog("MPPS " + CommandFieldName(request.Command().commandField) + " " + instance +
             " refused: " + refusal->comment);
    // An Error Comment holds at most 64 characters.
    response.errorComment = refusal->comment.substr(0, 64);
    response.errorID = refusal->errorID;
  }
  return request.Respond(response).Ok() || !request.Ended();
}

}  // namespace

bool MppsService::Serves(std::string_view sopClass) const {
  return sopClass == uid::kModalityPerformedProcedureStep;
}

bool MppsService::Handle(ServiceRequest& request) const {
  TagList dataset;
  if (!request.ReadDataSet(dataset)) return false;
  const DimseCommand& command = request.Command();
  const bool create = command.commandField == kNCreateRQ;
  std::string instance = create ? command.affectedSOPInstanceUID : command.requestedSOPInstanceUID;
  if (create && instance.empty()) instance = NewUID();
  if (create && !IsUsableUID(instance)) {
    return Answer(request, {},
                  Refusal{kStatusInvalidSOPInstance, "no usable SOP Instance UID", {}});
  }
  Refusal refusal;
  const std::optional<NestedItem> nested = NestedRequest(request, dataset, refusal);
  if (!nested) return Answer(request, instance, refusal);
  return Answer(request, instance,
                create ? Create(request, instance, *nested) : Set(request, instance, *nested));
}

}  // namespace norvane
