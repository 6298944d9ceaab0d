#include "scp/retrieve_keys.hpp"

#include <string_view>
#include <vector>

#include "dimse/dimse_command.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"

namespace norvane {
namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(std::string_view(" \0", 2));
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(std::string_view(" \0", 2));
  return text.substr(first, last - first + 1);
}

// The UIDs of a multi-valued key; empty when the key is absent or empty.
std::vector<std::string> UIDList(const TagList& identifier, Tag tag) {
  std::vector<std::string> uids;
  const std::string text = TopLevelText(identifier, tag);
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\\', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view uid = Trimmed(std::string_view(text).substr(at, end - at));
    if (!uid.empty()) uids.emplace_back(uid);
    at = end + 1;
  }
  return uids;
}

RetrieveSelection Mismatch(std::string problem) {
  RetrieveSelection selection;
  selection.status = kStatusIdentifierDoesNotMatch;
  selection.problem = std::move(problem);
  return selection;
}

}  // namespace

RetrieveSelection SelectionOf(const TagList& identifier, QueryModel model) {
  const std::string level(Trimmed(TopLevelText(identifier, tag::kQueryRetrieveLevel)));
  const bool patientRoot = model == QueryModel::kPatientRoot;
  RetrieveSelection selection;
  if (patientRoot) {
    // One value: Patient ID is no list.
    const std::string patientID = TopLevelText(identifier, tag::kPatientID);
    if (!patientID.empty()) selection.keys.patientIDs.push_back(patientID);
  }
  if (level == "PATIENT" && patientRoot) {
    if (selection.keys.patientIDs.empty()) {
      return Mismatch("a retrieval at PATIENT level needs a Patient ID");
    }
    return selection;
  }
  selection.keys.studyInstanceUIDs = UIDList(identifier, tag::kStudyInstanceUID);
  if (level == "STUDY") {
    if (selection.keys.studyInstanceUIDs.empty()) {
      return Mismatch("a retrieval at STUDY level needs a Study Instance UID");
    }
    return selection;
  }
  selection.keys.seriesInstanceUIDs = UIDList(identifier, tag::kSeriesInstanceUID);
  if (level == "SERIES") {
    if (selection.keys.seriesInstanceUIDs.empty()) {
      return Mismatch("a retrieval at SERIES level needs a Series Instance UID");
    }
    return selection;
  }
  selection.keys.sopInstanceUIDs = UIDList(identifier, tag::kSOPInstanceUID);
  if (level == "IMAGE") {
    if (selection.keys.sopInstanceUIDs.empty()) {
      return Mismatch("a retrieval at IMAGE level needs a SOP Instance UID");
    }
    return selection;
  }
  return Mismatch("Query/Retrieve Level '" + level + "' is not " +
                  (patientRoot ? "PATIENT, STUDY, SERIES or IMAGE" : "STUDY, SERIES or IMAGE"));
}

}  // namespace norvane
