#include "dimse/dimse_command.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <initializer_list>

#include "datadec/element_codec.hpp"

namespace norvane {
namespace {

// The command fields after Command Field, in tag order (the order they are encoded in).
enum Field : uint8_t {
  kAffectedSOPClass,
  kRequestedSOPClass,
  kMessageIDField,
  kRespondedTo,
  kMoveDestinationField,
  kPriorityField,
  kStatusField,
  kOffendingElement,
  kErrorComment,
  kErrorID,
  kAffectedSOPInstance,
  kRequestedSOPInstance,
  kEventTypeID,
  kAttributeIdentifiers,
  kActionTypeID,
  kRemaining,
  kCompleted,
  kFailed,
  kWarning,
  kMoveOriginatorAE,
  kMoveOriginatorMessageID,
  kFieldCount,
};

constexpr std::array<Tag, kFieldCount> kFieldTags = {
    tag::kAffectedSOPClassUID,
    tag::kRequestedSOPClassUID,
    tag::kMessageID,
    tag::kMessageIDBeingRespondedTo,
    tag::kMoveDestination,
    tag::kPriority,
    tag::kStatus,
    tag::kOffendingElement,
    tag::kErrorComment,
    tag::kErrorID,
    tag::kAffectedSOPInstanceUID,
    tag::kRequestedSOPInstanceUID,
    tag::kEventTypeID,
    tag::kAttributeIdentifierList,
    tag::kActionTypeID,
    tag::kNumberOfRemainingSuboperations,
    tag::kNumberOfCompletedSuboperations,
    tag::kNumberOfFailedSuboperations,
    tag::kNumberOfWarningSuboperations,
    tag::kMoveOriginatorApplicationEntityTitle,
    tag::kMoveOriginatorMessageID,
};

constexpr std::array<std::string_view, kFieldCount> kFieldNames = {
    "Affected SOP Class UID",
    "Requested SOP Class UID",
    "Message ID",
    "Message ID Being Responded To",
    "Move Destination",
    "Priority",
    "Status",
    "Offending Element",
    "Error Comment",
    "Error ID",
    "Affected SOP Instance UID",
    "Requested SOP Instance UID",
    "Event Type ID",
    "Attribute Identifier List",
    "Action Type ID",
    "Number of Remaining Sub-operations",
    "Number of Completed Sub-operations",
    "Number of Failed Sub-operations",
    "Number of Warning Sub-operations",
    "Move Originator Application Entity Title",
    "Move Originator Message ID",
};

using Fields = uint32_t;

constexpr Fields Set(std::initializer_list<Field> fields) {
  Fields set = 0;
  for (Field field : fields)
    set |= Fields{1} << field;
  return set;
}

// One kind of command: the fields it must carry (besides Command Field and Command Data
// Set Type, which every command carries) and those it may carry besides them.
struct CommandKind {
  uint16_t commandField;
  std::string_view name;
  Fields required;
  Fields optional;
};

// Every response carries these; the conditional error fields may follow a failure.
constexpr Fields kResponseRequired = Set({kRespondedTo, kStatusField});
constexpr Fields kErrorFields = Set({kErrorComment, kErrorID, kOffendingElement});
constexpr Fields kSubOperations = Set({kRemaining, kCompleted, kFailed, kWarning});
constexpr Fields kNResponseOptional =
    Set({kAffectedSOPClass, kAffectedSOPInstance, kErrorComment, kErrorID});

constexpr CommandKind kCommandKinds[] = {
    {kCStoreRQ, "C-STORE-RQ",
     Set({kAffectedSOPClass, kMessageIDField, kPriorityField, kAffectedSOPInstance}),
     Set({kMoveOriginatorAE, kMoveOriginatorMessageID})},
    // The storage SCP has always named the request's Message ID too; peers ignore it.
    {kCStoreRSP, "C-STORE-RSP", kResponseRequired,
     Set({kAffectedSOPClass, kAffectedSOPInstance, kMessageIDField}) | kErrorFields},
    {kCGetRQ, "C-GET-RQ", Set({kAffectedSOPClass, kMessageIDField, kPriorityField}), 0},
    {kCGetRSP, "C-GET-RSP", kResponseRequired,
     Set({kAffectedSOPClass}) | kSubOperations | kErrorFields},
    {kCFindRQ, "C-FIND-RQ", Set({kAffectedSOPClass, kMessageIDField, kPriorityField}), 0},
    {kCFindRSP, "C-FIND-RSP", kResponseRequired, Set({kAffectedSOPClass}) | kErrorFields},
    {kCMoveRQ, "C-MOVE-RQ",
     Set({kAffectedSOPClass, kMessageIDField, kPriorityField, kMoveDestinationField}), 0},
    {kCMoveRSP, "C-MOVE-RSP", kResponseRequired,
     Set({kAffectedSOPClass}) | kSubOperations | kErrorFields},
    {kCEchoRQ, "C-ECHO-RQ", Set({kAffectedSOPClass, kMessageIDField}), 0},
    {kCEchoRSP, "C-ECHO-RSP", kResponseRequired, Set({kAffectedSOPClass, kErrorComment})},
    {kNEventReportRQ, "N-EVENT-REPORT-RQ",
     Set({kAffectedSOPClass, kMessageIDField, kAffectedSOPInstance, kEventTypeID}), 0},
    {kNEventReportRSP, "N-EVENT-REPORT-RSP", kResponseRequired,
     kNResponseOptional | Set({kEventTypeID})},
    {kNGetRQ, "N-GET-RQ", Set({kRequestedSOPClass, kMessageIDField, kRequestedSOPInstance}),
     Set({kAttributeIdentifiers})},
    {kNGetRSP, "N-GET-RSP", kResponseRequired, kNResponseOptional | Set({kAttributeIdentifiers})},
    {kNSetRQ, "N-SET-RQ", Set({kRequestedSOPClass, kMessageIDField, kRequestedSOPInstance}), 0},
    {kNSetRSP, "N-SET-RSP", kResponseRequired, kNResponseOptional | Set({kAttributeIdentifiers})},
    {kNActionRQ, "N-ACTION-RQ",
     Set({kRequestedSOPClass, kMessageIDField, kRequestedSOPInstance, kActionTypeID}), 0},
    {kNActionRSP, "N-ACTION-RSP", kResponseRequired, kNResponseOptional | Set({kActionTypeID})},
    {kNCreateRQ, "N-CREATE-RQ", Set({kAffectedSOPClass, kMessageIDField}),
     Set({kAffectedSOPInstance})},
    {kNCreateRSP, "N-CREATE-RSP", kResponseRequired,
     kNResponseOptional | Set({kAttributeIdentifiers})},
    {kNDeleteRQ, "N-DELETE-RQ", Set({kRequestedSOPClass, kMessageIDField, kRequestedSOPInstance}),
     0},
    {kNDeleteRSP, "N-DELETE-RSP", kResponseRequired, kNResponseOptional},
    {kCCancelRQ, "C-CANCEL-RQ", Set({kRespondedTo}), 0},
};

const CommandKind* KindOf(uint16_t commandField) {
  for (const CommandKind& kind : kCommandKinds) {
    if (kind.commandField == commandField) return &kind;
  }
  return nullptr;
}

// Command records are implicit VR little endian whatever the presentation context.
constexpr DatasetEncoding kCommandEncoding{.explicitVR = false, .bigEndian = false};

TagRecord TagsRecord(Tag tag, const std::vector<Tag>& tags) {
  std::vector<uint8_t> value;
  value.reserve(4 * tags.size());
  for (const Tag& t : tags) {
    value.insert(value.end(),
                 {static_cast<uint8_t>(t.group), static_cast<uint8_t>(t.group >> 8),
                  static_cast<uint8_t>(t.element), static_cast<uint8_t>(t.element >> 8)});
  }
  return GenerateTag(tag, "AT", value);
}

std::optional<TagRecord> FieldRecord(const DimseCommand& c, Field field) {
  const Tag tag = kFieldTags[field];
  const auto text = [&](const std::string& value, std::string_view vr) -> std::optional<TagRecord> {
    if (value.empty()) return std::nullopt;
    return GeneratePaddedTag(tag, vr, value);
  };
  const auto number = [&](const std::optional<uint16_t>& value) -> std::optional<TagRecord> {
    if (!value) return std::nullopt;
    return GenerateUSTag(tag, *value);
  };
  switch (field) {
    case kAffectedSOPClass:
      return text(c.affectedSOPClassUID, "UI");
    case kRequestedSOPClass:
      return text(c.requestedSOPClassUID, "UI");
    case kMessageIDField:
      return number(c.messageID);
    case kRespondedTo:
      return number(c.messageIDBeingRespondedTo);
    case kMoveDestinationField:
      return text(c.moveDestination, "AE");
    case kPriorityField:
      return number(c.priority);
    case kStatusField:
      return number(c.status);
    case kOffendingElement:
      if (c.offendingElements.empty()) return std::nullopt;
      return TagsRecord(tag, c.offendingElements);
    case kErrorComment:
      return text(c.errorComment, "LO");
    case kErrorID:
      return number(c.errorID);
    case kAffectedSOPInstance:
      return text(c.affectedSOPInstanceUID, "UI");
    case kRequestedSOPInstance:
      return text(c.requestedSOPInstanceUID, "UI");
    case kEventTypeID:
      return number(c.eventTypeID);
    case kAttributeIdentifiers:
      if (c.attributeIdentifiers.empty()) return std::nullopt;
      return TagsRecord(tag, c.attributeIdentifiers);
    case kActionTypeID:
      return number(c.actionTypeID);
    case kRemaining:
      return number(c.remaining);
    case kCompleted:
      return number(c.completed);
    case kFailed:
      return number(c.failed);
    case kWarning:
      return number(c.warning);
    case kMoveOriginatorAE:
      return text(c.moveOriginatorAETitle, "AE");
    case kMoveOriginatorMessageID:
      return number(c.moveOriginatorMessageID);
    case kFieldCount:
      break;
  }
  return std::nullopt;
}

std::optional<uint16_t> Number(const TagList& elements, Tag tag) {
  const TagRecord* record = FindTag(elements, tag);
  if (record == nullptr || ValueBytes(*record).size() != 2) return std::nullopt;
  return GetTagUS(elements, tag);
}

std::string UID(const TagList& elements, Tag tag) {
  const TagRecord* record = FindTag(elements, tag);
  return record == nullptr ? std::string() : std::string(UIDText(*record));
}

std::string Text(const TagList& elements, Tag tag) {
  const TagRecord* record = FindTag(elements, tag);
  return record == nullptr ? std::string() : std::string(TrimmedText(UIDText(*record)));
}

std::vector<Tag> Tags(const TagList& elements, Tag tag) {
  std::vector<Tag> tags;
  const TagRecord* record = FindTag(elements, tag);
  if (record == nullptr) return tags;
  const std::span<const uint8_t> value = ValueBytes(*record);
  for (size_t at = 0; at + 4 <= value.size(); at += 4) {
    tags.push_back(Tag{static_cast<uint16_t>(value[at] | value[at + 1] << 8),
                       static_cast<uint16_t>(value[at + 2] | value[at + 3] << 8)});
  }
  return tags;
}

bool Holds(const DimseCommand& c, Field field) {
  return FieldRecord(c, field).has_value();
}

}  // namespace

DimseCommand Request(uint16_t commandField, std::string_view sopClass, uint16_t messageID,
                     bool dataSetFollows) {
  DimseCommand request;
  request.commandField = commandField;
  const CommandKind* kind = KindOf(commandField);
  const Fields required = kind != nullptr ? kind->required : 0;
  if ((required & Set({kRequestedSOPClass})) != 0) {
    request.requestedSOPClassUID = sopClass;
  } else {
    request.affectedSOPClassUID = sopClass;
  }
  request.messageID = messageID;
  if ((required & Set({kPriorityField})) != 0) request.priority = kPriorityMedium;
  request.commandDataSetType = dataSetFollows ? kDataSetPresent : kNoDataSet;
  return request;
}

DimseCommand ResponseTo(const DimseCommand& request, uint16_t status) {
  DimseCommand response;
  response.commandField = static_cast<uint16_t>(request.commandField | kResponseBit);
  response.affectedSOPClassUID = request.SOPClass();
  response.messageIDBeingRespondedTo = request.messageID.value_or(0);
  response.status = status;
  return response;
}

bool IsKnownCommand(uint16_t commandField) {
  return KindOf(commandField) != nullptr;
}

std::string CommandFieldName(uint16_t commandField) {
  if (const CommandKind* kind = KindOf(commandField)) return std::string(kind->name);
  char text[24];
  std::snprintf(text, sizeof text, "command 0x%04X", static_cast<unsigned>(commandField));
  return text;
}

std::string CommandWithArticle(uint16_t commandField) {
  const std::string name = CommandFieldName(commandField);
  return (name.front() == 'N' ? "an " : "a ") + name;
}

ServiceResult EncodeCommand(const DimseCommand& command, TagList& elements) {
  elements.clear();
  const CommandKind* kind = KindOf(command.commandField);
  if (kind == nullptr) {
    return ServiceResult::Failed(ServiceFailure::kLocal,
                                 "no such command: " + CommandFieldName(command.commandField));
  }
  TagList records;
  records.push_back(GenerateUSTag(tag::kCommandField, command.commandField));
  for (uint8_t f = 0; f < kFieldCount; ++f) {
    const Field field = static_cast<Field>(f);
    const Fields bit = Fields{1} << field;
    std::optional<TagRecord> record = FieldRecord(command, field);
    if (!record) {
      if ((kind->required & bit) != 0) {
        return ServiceResult::Failed(
            ServiceFailure::kLocal,
            "the " + std::string(kind->name) + " lacks its " + std::string(kFieldNames[field]));
      }
      continue;
    }
    if (((kind->required | kind->optional) & bit) == 0) {
      return ServiceResult::Failed(
          ServiceFailure::kLocal,
          "a " + std::string(kind->name) + " carries no " + std::string(kFieldNames[field]));
    }
    records.push_back(std::move(*record));
  }
  records.push_back(GenerateUSTag(tag::kCommandDataSetType, command.commandDataSetType));
  std::sort(records.begin(), records.end(),
            [](const TagRecord& a, const TagRecord& b) { return a.element < b.element; });
  uint32_t length = 0;
  for (const TagRecord& record : records) {
    length += static_cast<uint32_t>(EncodedSize(record, kNetworkRules, kCommandEncoding));
  }
  elements.reserve(records.size() + 1);
  elements.push_back(GenerateULTag(tag::kCommandGroupLength, length));
  for (TagRecord& record : records)
    elements.push_back(std::move(record));
  return ServiceResult::Success();
}

DecodedCommand DecodeCommand(const TagList& elements) {
  DecodedCommand decoded;
  DimseCommand& c = decoded.command;
  c.commandField = Number(elements, tag::kCommandField).value_or(0);
  c.affectedSOPClassUID = UID(elements, tag::kAffectedSOPClassUID);
  c.requestedSOPClassUID = UID(elements, tag::kRequestedSOPClassUID);
  c.messageID = Number(elements, tag::kMessageID);
  c.messageIDBeingRespondedTo = Number(elements, tag::kMessageIDBeingRespondedTo);
  c.moveDestination = Text(elements, tag::kMoveDestination);
  c.priority = Number(elements, tag::kPriority);
  const std::optional<uint16_t> dataSetType = Number(elements, tag::kCommandDataSetType);
  // Any value but 0x0101 announces a data set.
  c.commandDataSetType = dataSetType.value_or(0);
  c.status = Number(elements, tag::kStatus);
  c.offendingElements = Tags(elements, tag::kOffendingElement);
  c.errorComment = Text(elements, tag::kErrorComment);
  c.errorID = Number(elements, tag::kErrorID);
  c.affectedSOPInstanceUID = UID(elements, tag::kAffectedSOPInstanceUID);
  c.requestedSOPInstanceUID = UID(elements, tag::kRequestedSOPInstanceUID);
  c.eventTypeID = Number(elements, tag::kEventTypeID);
  c.attributeIdentifiers = Tags(elements, tag::kAttributeIdentifierList);
  c.actionTypeID = Number(elements, tag::kActionTypeID);
  c.remaining = Number(elements, tag::kNumberOfRemainingSuboperations);
  c.completed = Number(elements, tag::kNumberOfCompletedSuboperations);
  c.failed = Number(elements, tag::kNumberOfFailedSuboperations);
  c.warning = Number(elements, tag::kNumberOfWarningSuboperations);
  c.moveOriginatorAETitle = Text(elements, tag::kMoveOriginatorApplicationEntityTitle);
  c.moveOriginatorMessageID = Number(elements, tag::kMoveOriginatorMessageID);

  const CommandKind* kind = KindOf(c.commandField);
  if (kind == nullptr) {
    decoded.Set(ServiceResult::Failed(
        ServiceFailure::kProtocol,
        "the peer sent " + std::string(FindTag(elements, tag::kCommandField) == nullptr
                                           ? "a command without a Command Field"
                                           : "an unknown " + CommandFieldName(c.commandField))));
    return decoded;
  }
  std::string missing;
  if (!dataSetType) missing = "Command Data Set Type";
  for (uint8_t f = 0; f < kFieldCount && missing.empty(); ++f) {
    const Field field = static_cast<Field>(f);
    if ((kind->required & (Fields{1} << field)) != 0 && !Holds(c, field)) {
      missing = kFieldNames[field];
    }
  }
  if (!missing.empty()) {
    decoded.Set(ServiceResult::Failed(
        ServiceFailure::kProtocol, CommandWithArticle(c.commandField) + " without its " + missing));
  }
  return decoded;
}

std::string_view UIDText(const TagRecord& record) {
  const std::span<const uint8_t> value = ValueBytes(record);
  const auto end = std::find(value.begin(), value.end(), uint8_t{0});
  return std::string_view(reinterpret_cast<const char*>(value.data()),
                          static_cast<size_t>(end - value.begin()));
}

TagRecord GenerateUIDTag(Tag tag, std::string_view uid) {
  return GeneratePaddedTag(tag, "UI", uid);
}

}  // namespace norvane
