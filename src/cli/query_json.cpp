#include "cli/query_json.hpp"

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

}  // namespace norvane::cli
