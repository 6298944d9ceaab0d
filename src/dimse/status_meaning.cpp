#include "dimse/status_meaning.hpp"

#include "dimse/dimse_command.hpp"
#include "dimse/dimse_exchange.hpp"

namespace norvane {
namespace {

using enum StatusCategory;

// One status, or a range of them: a status matches when (status & mask) == code.
struct StatusRow {
  StatusService service;
  uint16_t code;
  uint16_t mask;
  StatusCategory category;
  std::string_view text;
};

constexpr uint16_t kExact = 0xFFFF;
constexpr uint16_t kLowByteFree = 0xFF00;
constexpr uint16_t kLowTwelveBitsFree = 0xF000;

// Service-specific rows come first: they are looked up before the general ones.
constexpr StatusRow kStatuses[] = {
    // Storage
    {StatusService::kStorage, 0xA700, kLowByteFree, kFailure, "Refused: Out of Resources"},
    {StatusService::kStorage, 0xA900, kLowByteFree, kFailure,
     "Error: Data Set does not match SOP Class"},
    {StatusService::kStorage, 0xC000, kLowTwelveBitsFree, kFailure, "Error: Cannot understand"},
    {StatusService::kStorage, 0xB000, kExact, kWarning, "Warning: Coercion of Data Elements"},
    {StatusService::kStorage, 0xB006, kExact, kWarning, "Warning: Elements Discarded"},
    {StatusService::kStorage, 0xB007, kExact, kWarning,
     "Warning: Data Set does not match SOP Class"},

    // Query (C-FIND), modality worklist included
    {StatusService::kQuery, 0xA700, kExact, kFailure, "Refused: Out of Resources"},
    {StatusService::kQuery, 0xA900, kExact, kFailure,
     "Failed: Identifier does not match SOP Class"},
    {StatusService::kQuery, 0xC000, kLowTwelveBitsFree, kFailure, "Failed: Unable to process"},
    {StatusService::kQuery, 0xFE00, kExact, kCancel,
     "Cancel: Matching terminated due to Cancel request"},
    {StatusService::kQuery, 0xFF00, kExact, kPending, "Pending: Matches are continuing"},
    {StatusService::kQuery, 0xFF01, kExact, kPending,
     "Pending: Matches are continuing, one or more Optional Keys were not supported"},

    // Retrieve (C-MOVE)
    {StatusService::kRetrieve, 0x0000, kExact, kSuccess,
     "Success: Sub-operations complete, no failures"},
    {StatusService::kRetrieve, 0xA701, kExact, kFailure,
     "Refused: Out of Resources, unable to calculate number of matches"},
    {StatusService::kRetrieve, 0xA702, kExact, kFailure,
     "Refused: Out of Resources, unable to perform sub-operations"},
    {StatusService::kRetrieve, 0xA801, kExact, kFailure, "Refused: Move Destination unknown"},
    {StatusService::kRetrieve, 0xA900, kExact, kFailure,
     "Failed: Identifier does not match SOP Class"},
    {StatusService::kRetrieve, 0xC000, kLowTwelveBitsFree, kFailure, "Failed: Unable to process"},
    {StatusService::kRetrieve, 0xFE00, kExact, kCancel,
     "Cancel: Sub-operations terminated due to Cancel indication"},
    {StatusService::kRetrieve, 0xB000, kExact, kWarning,
     "Warning: Sub-operations complete, one or more failures"},
    {StatusService::kRetrieve, 0xFF00, kExact, kPending, "Pending: Sub-operations are continuing"},

    // Print management (film session, film box, image box)
    {StatusService::kPrint, 0xB600, kExact, kWarning, "Warning: Memory allocation not supported"},
    {StatusService::kPrint, 0xB601, kExact, kWarning,
     "Warning: Film session printing (collation) is not supported"},
    {StatusService::kPrint, 0xB602, kExact, kWarning,
     "Warning: Film Session SOP Instance hierarchy does not contain Image Box SOP Instances "
     "(empty page)"},
    {StatusService::kPrint, 0xB603, kExact, kWarning,
     "Warning: Film Box SOP Instance hierarchy does not contain Image Box SOP Instances (empty "
     "page)"},
    {StatusService::kPrint, 0xB604, kExact, kWarning,
     "Warning: Image size is larger than the Image Box size, the image has been demagnified"},
    {StatusService::kPrint, 0xB605, kExact, kWarning,
     "Warning: Requested Min Density or Max Density outside of the printer's operating range"},
    {StatusService::kPrint, 0xB609, kExact, kWarning,
     "Warning: Image size is larger than the Image Box size, the image has been cropped to fit"},
    {StatusService::kPrint, 0xB60A, kExact, kWarning,
     "Warning: Image size is larger than the Image Box size, the image has been decimated to "
     "fit"},
    {StatusService::kPrint, 0xC600, kExact, kFailure,
     "Failed: Film Session SOP Instance hierarchy does not contain Film Box SOP Instances"},
    {StatusService::kPrint, 0xC601, kExact, kFailure,
     "Failed: Unable to create Print Job SOP Instance; print queue is full"},
    {StatusService::kPrint, 0xC602, kExact, kFailure,
     "Failed: Unable to create Print Job SOP Instance; print queue is full"},
    {StatusService::kPrint, 0xC603, kExact, kFailure,
     "Failed: Image size is larger than the Image Box size"},
    {StatusService::kPrint, 0xC605, kExact, kFailure,
     "Failed: Insufficient memory in printer to store the image"},
    {StatusService::kPrint, 0xC613, kExact, kFailure,
     "Failed: Combined Print Image size is larger than the Image Box size"},
    {StatusService::kPrint, 0xC616, kExact, kFailure,
     "Failed: There is an existing Film Box that has not been printed"},

    // General statuses, for every service
    {StatusService::kGeneral, 0x0000, kExact, kSuccess, "Success"},
    {StatusService::kGeneral, 0xFF00, kExact, kPending, "Pending"},
    {StatusService::kGeneral, 0xFE00, kExact, kCancel, "Cancel"},
    {StatusService::kGeneral, 0x0001, kExact, kWarning,
     "Warning: Requested optional Attributes are not supported"},
    {StatusService::kGeneral, 0x0107, kExact, kWarning, "Warning: Attribute list error"},
    {StatusService::kGeneral, 0x0116, kExact, kWarning, "Warning: Attribute Value Out of Range"},
    {StatusService::kGeneral, 0x0105, kExact, kFailure, "Failure: No such attribute"},
    {StatusService::kGeneral, 0x0106, kExact, kFailure, "Failure: Invalid attribute value"},
    {StatusService::kGeneral, 0x0110, kExact, kFailure, "Failure: Processing failure"},
    {StatusService::kGeneral, 0x0111, kExact, kFailure, "Failure: Duplicate SOP Instance"},
    {StatusService::kGeneral, 0x0112, kExact, kFailure, "Failure: No such SOP Instance"},
    {StatusService::kGeneral, 0x0113, kExact, kFailure, "Failure: No such event type"},
    {StatusService::kGeneral, 0x0114, kExact, kFailure, "Failure: No such argument"},
    {StatusService::kGeneral, 0x0115, kExact, kFailure, "Failure: Invalid argument value"},
    {StatusService::kGeneral, 0x0117, kExact, kFailure, "Failure: Invalid SOP Instance"},
    {StatusService::kGeneral, 0x0118, kExact, kFailure, "Failure: No such SOP Class"},
    {StatusService::kGeneral, 0x0119, kExact, kFailure, "Failure: Class-Instance conflict"},
    {StatusService::kGeneral, 0x0120, kExact, kFailure, "Failure: Missing attribute"},
    {StatusService::kGeneral, 0x0121, kExact, kFailure, "Failure: Missing attribute value"},
    {StatusService::kGeneral, 0x0122, kExact, kFailure, "Refused: SOP Class not supported"},
    {StatusService::kGeneral, 0x0123, kExact, kFailure, "Failure: No such action"},
    {StatusService::kGeneral, 0x0124, kExact, kFailure, "Refused: Not authorized"},
    {StatusService::kGeneral, 0x0210, kExact, kFailure, "Failure: Duplicate invocation"},
    {StatusService::kGeneral, 0x0211, kExact, kFailure, "Failure: Unrecognized operation"},
    {StatusService::kGeneral, 0x0212, kExact, kFailure, "Failure: Mistyped argument"},
    {StatusService::kGeneral, 0x0213, kExact, kFailure, "Failure: Resource limitation"},
};

const StatusRow* Find(StatusService service, uint16_t status) {
  for (const StatusRow& row : kStatuses) {
    if (row.service == service && (status & row.mask) == row.code) return &row;
  }
  return nullptr;
}

// The class of a status the service does not define, by its leading digit.
StatusMeaning Undefined(uint16_t status) {
  if ((status & 0xF000) == 0xB000) return {kWarning, "Warning (not defined for this service)"};
  if (status == 0xFF01) return {kPending, "Pending (not defined for this service)"};
  return {kFailure, "Failure (not defined for this service)"};
}

}  // namespace

StatusService ServiceOfCommand(uint16_t commandField) {
  switch (commandField & 0x7FFF) {
    case kCStoreRQ:
      return StatusService::kStorage;
    case kCFindRQ:
      return StatusService::kQuery;
    case kCMoveRQ:
    case kCGetRQ:
      return StatusService::kRetrieve;
    case kNGetRQ:
    case kNSetRQ:
    case kNActionRQ:
    case kNCreateRQ:
    case kNDeleteRQ:
      return StatusService::kPrint;
    default:
      return StatusService::kGeneral;
  }
}

StatusMeaning MeaningOfStatus(StatusService service, uint16_t status) {
  const StatusRow* row = Find(service, status);
  if (row == nullptr && service != StatusService::kGeneral) {
    row = Find(StatusService::kGeneral, status);
  }
  if (row == nullptr) return Undefined(status);
  return {row->category, row->text};
}

std::string StatusReason(uint16_t commandField, uint16_t status) {
  return CommandFieldName(commandField) + " status " + StatusText(status) + " (" +
         std::string(MeaningOfStatus(ServiceOfCommand(commandField), status).text) + ")";
}

}  // namespace norvane
