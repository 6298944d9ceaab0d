#include "app/worklist_operation.hpp"

#include <memory>

#include "dimse/find_request.hpp"
#include "dimse/worklist_request.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane {

TWorklistItem WorklistQueryFromFilters(std::string_view patientNameFilter,
                                       std::string_view dateFilter) {
  TWorklistItem query;
  query.PatientName = patientNameFilter;
  query.SPSStartDate = dateFilter;
  return query;
}

std::vector<std::string> WorklistLines(const TWorklistItem& w) {
  return {
      "PatientName: " + w.PatientName,
      "PatientID: " + w.PatientID,
      "PatientBD: " + w.PatientBD,
      "PatientSex: " + w.PatientSex,
      "Modality: " + w.Modality,
      "Scheduled Station AET: " + w.ScheduledStationAET,
      "Scheduled Procedure Step Start Date: " + w.SPSStartDate,
      "Scheduled Procedure Step Start Time: " + w.SPSStartTime,
      "Scheduled Performing Physician: " + w.ScheduledPerformingPhysician,
  };
}

QueryOperationResult RunWorklistOperation(std::string_view host, std::string_view port,
                                          std::string& callingApTitle,
                                          std::string_view calledApTitle,
                                          const TWorklistItem& query, const LineSink& out) {
  QueryOperationResult result;
  std::vector<TWorklistItem> items;
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  if (LogLevel() > 1) pdu->SetTrace(true);
  result.Set(
      OpenAssoc(*pdu, host, port, callingApTitle, calledApTitle, uid::kModalityWorklistFind));
  result.associated = result.Ok();
  if (result.associated) {
    result.sent = WriteWLFindRQ(*pdu, query, uid::kModalityWorklistFind);
    if (!result.sent) {
      result.Set(
          ServiceResult::Failed(ServiceFailure::kNotSent, "the C-FIND-RQ could not be sent"));
    } else {
      // A failure status is final as well: nothing follows it but the release.
      do {
        result.Set(ReadWLFindRSP(*pdu, items));
      } while (IsPending(result));
    }
    result.records = items.size();
    out("No studies: " + std::to_string(items.size()));
    out("");
    for (const TWorklistItem& item : items) {
      for (const std::string& line : WorklistLines(item))
        out(line);
      out("");
    }
  } else {
    out(kAssociationFailedLine);
  }
  CloseAssoc(*pdu);
  DeletePDU(std::move(pdu));
  return result;
}

}  // namespace norvane
