#include "dimse/storage_commitment.hpp"

#include <cstdio>

#include "database/nested_dataset.hpp"
#include "dimse/n_message.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

constexpr size_t kMaxUIDLength = 64;

void AddReferences(TagList& list, Tag sequence, const std::vector<InstanceReference>& refs,
                   const std::vector<FailedInstance>* failed = nullptr) {
  list.push_back(UndefinedLengthHeader(sequence, "SQ"));
  const size_t count = failed != nullptr ? failed->size() : refs.size();
  for (size_t i = 0; i < count; ++i) {
    const InstanceReference& ref = failed != nullptr ? (*failed)[i].reference : refs[i];
    list.push_back(ItemHeader());
    list.push_back(GenerateUIDTag(tag::kReferencedSOPClassUID, ref.sopClass));
    list.push_back(GenerateUIDTag(tag::kReferencedSOPInstanceUID, ref.sopInstance));
    if (failed != nullptr) list.push_back(GenerateUSTag(tag::kFailureReason, (*failed)[i].reason));
    list.push_back(ItemDelimiter());
  }
  list.push_back(SequenceDelimiter());
}

std::string UIDOf(const NestedItem& item, Tag tag) {
  const NestedElement* element = FindNested(item, tag);
  return element == nullptr ? std::string() : std::string(UIDText(element->record));
}

// The references of one sequence; false, with `problem` set, when an item is incomplete.
bool ReadReferences(const NestedItem& dataset, Tag sequence, std::vector<InstanceReference>& refs,
                    std::vector<FailedInstance>* failed, std::string& problem) {
  const NestedElement* element = FindNested(dataset, sequence);
  if (element == nullptr) return true;
  for (const NestedItem& item : element->items) {
    InstanceReference ref{UIDOf(item, tag::kReferencedSOPClassUID),
                          UIDOf(item, tag::kReferencedSOPInstanceUID)};
    if (ref.sopClass.empty() || ref.sopInstance.empty() || ref.sopClass.size() > kMaxUIDLength ||
        ref.sopInstance.size() > kMaxUIDLength) {
      problem =
          "a reference without a SOP Class UID and SOP Instance UID of at most 64 "
          "characters";
      return false;
    }
    if (failed != nullptr) {
      const NestedElement* reason = FindNested(item, tag::kFailureReason);
      uint16_t value = 0;
      if (reason != nullptr) {
        TagList one{reason->record};
        value = GetTagUS(one, tag::kFailureReason);
      }
      failed->push_back({std::move(ref), value});
    } else {
      refs.push_back(std::move(ref));
    }
  }
  return true;
}

// The Transaction UID of a nested data set; empty, with `problem` set, when it is missing.
std::optional<NestedItem> Nest(const TagList& dataset, bool explicitVR, std::string& transaction,
                               std::string& problem) {
  std::optional<NestedItem> nested = NestDataset(dataset, explicitVR);
  if (!nested) {
    problem = "the data set's sequences are malformed";
    return std::nullopt;
  }
  transaction = UIDOf(*nested, tag::kTransactionUID);
  if (transaction.empty() || transaction.size() > kMaxUIDLength) {
    problem = "no Transaction UID of at most 64 characters";
    return std::nullopt;
  }
  return nested;
}

}  // namespace

std::vector<ContextProposal> CommitmentContexts() {
  return {{std::string(uid::kStorageCommitmentPushModel),
           {std::string(uid::kExplicitVRLittleEndian), std::string(uid::kImplicitVRLittleEndian)}}};
}

std::string FailureReasonText(uint16_t reason) {
  switch (reason) {
    case 0x0110:
      return "processing failure";
    case 0x0112:
      return "no such object instance";
    case 0x0213:
      return "resource limitation";
    case 0x0122:
      return "referenced SOP Class not supported";
    case 0x0119:
      return "class / instance conflict";
    case 0x0131:
      return "duplicate transaction UID";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "failure reason 0x%04X", static_cast<unsigned>(reason));
      return text;
    }
  }
}

TagList CommitmentRequestDataset(const CommitmentRequest& request) {
  TagList list;
  list.push_back(GenerateUIDTag(tag::kTransactionUID, request.transactionUID));
  AddReferences(list, tag::kReferencedSOPSequence, request.references);
  return list;
}

TagList CommitmentReportDataset(const CommitmentReport& report) {
  TagList list;
  list.push_back(GenerateUIDTag(tag::kTransactionUID, report.transactionUID));
  if (!report.committed.empty()) {
    AddReferences(list, tag::kReferencedSOPSequence, report.committed);
  }
  if (!report.failed.empty()) AddReferences(list, tag::kFailedSOPSequence, {}, &report.failed);
  return list;
}

std::optional<CommitmentRequest> ParseCommitmentRequest(const TagList& dataset, bool explicitVR,
                                                        std::string& problem) {
  CommitmentRequest request;
  const std::optional<NestedItem> nested =
      Nest(dataset, explicitVR, request.transactionUID, problem);
  if (!nested) return std::nullopt;
  if (!ReadReferences(*nested, tag::kReferencedSOPSequence, request.references, nullptr, problem)) {
    return std::nullopt;
  }
  if (request.references.empty()) {
    problem = "no Referenced SOP Sequence item";
    return std::nullopt;
  }
  return request;
}

std::optional<CommitmentReport> ParseCommitmentReport(uint16_t eventType, const TagList& dataset,
                                                      bool explicitVR, std::string& problem) {
  CommitmentReport report;
  report.eventType = eventType;
  const std::optional<NestedItem> nested =
      Nest(dataset, explicitVR, report.transactionUID, problem);
  if (!nested) return std::nullopt;
  if (!ReadReferences(*nested, tag::kReferencedSOPSequence, report.committed, nullptr, problem) ||
      !ReadReferences(*nested, tag::kFailedSOPSequence, report.committed, &report.failed,
                      problem)) {
    return std::nullopt;
  }
  if (eventType == kCommitmentFailuresEvent && report.failed.empty()) {
    problem = "event type 2 without a Failed SOP Sequence item";
    return std::nullopt;
  }
  return report;
}

ServiceResult RequestCommitment(PDU_Service& pdu, const CommitmentRequest& request) {
  DimseCommand command =
      NRequest(kNActionRQ, uid::kStorageCommitmentPushModel,
               uid::kStorageCommitmentPushModelInstance, pdu.NextMessageID(), true);
  command.actionTypeID = kRequestStorageCommitment;
  const TagList dataset = CommitmentRequestDataset(request);
  const ServiceResult sent = WriteNRequest(pdu, command, &dataset);
  if (!sent) return sent;
  return ReadNResponse(pdu, kNActionRSP, nullptr, nullptr);
}

ServiceResult SendCommitmentReport(PDU_Service& pdu, const CommitmentReport& report) {
  DimseCommand command =
      NRequest(kNEventReportRQ, uid::kStorageCommitmentPushModel,
               uid::kStorageCommitmentPushModelInstance, pdu.NextMessageID(), true);
  command.eventTypeID = report.failed.empty() ? kCommitmentSuccessEvent : kCommitmentFailuresEvent;
  const TagList dataset = CommitmentReportDataset(report);
  const ServiceResult sent = WriteNRequest(pdu, command, &dataset);
  if (!sent) return sent;
  return ReadNResponse(pdu, kNEventReportRSP, nullptr, nullptr);
}

ReportAnswer AnswerReport(const DimseCommand& request, const TagList& dataset, bool explicitVR) {
  ReportAnswer answer;
  const uint16_t eventType = request.eventTypeID.value_or(0);
  answer.response = ResponseTo(request, kStatusSuccess);
  answer.response.affectedSOPInstanceUID = request.affectedSOPInstanceUID;
  if (eventType != kCommitmentSuccessEvent && eventType != kCommitmentFailuresEvent) {
    answer.problem = "unknown event type " + std::to_string(eventType);
    answer.response.status = kStatusNoSuchEventType;
    return answer;
  }
  answer.response.eventTypeID = eventType;
  answer.report = ParseCommitmentReport(eventType, dataset, explicitVR, answer.problem);
  if (!answer.report) {
    answer.response.status = kStatusProcessingFailure;
    answer.response.errorComment = answer.problem.substr(0, 64);
  }
  return answer;
}

}  // namespace norvane
