#include "cli/query_json.hpp"

#include "dimse/find_scu.hpp"
#include "dump/dicom_json.hpp"

namespace norvane::cli {

Json MatchesJson(const std::vector<TagList>& matches) {
  Json json = Json::array();
  for (const TagList& identifier : matches) {
    json.push_back(DatasetToJson(identifier, {.explicitVR = false}).dataset);
  }
  return json;
}

void AddMatches(JsonReport& report, const FindResult& result, const std::vector<TagList>& matches) {
  report["count"] = matches.size();
  report["cutOff"] = result.cutOff;
  report["matches"] = MatchesJson(matches);
}

FindResult QueryIntoReport(JsonReport& report, const AssociationParameters& peer,
                           std::string_view sopClass, const TagList& identifier, size_t maxResults,
                           size_t& count) {
  std::vector<TagList> matches;
  const FindResult result = FindIdentifiers(peer, sopClass, identifier, matches, maxResults);
  AddMatches(report, result, matches);
  count = matches.size();
  return result;
}

}  // namespace norvane::cli
