#pragma once

// The "matches" of find and worklist with --json: each response identifier as a data set
// in the DICOM JSON Model.

#include <vector>

#include "cli/json_report.hpp"
#include "dimse/query_responses.hpp"
#include "elements/tag_record.hpp"

namespace norvane::cli {

// The identifiers as they came (implicit VR little endian on the wire).
Json MatchesJson(const std::vector<TagList>& matches);

// "count", "cutOff" and "matches" into the report.
void AddMatches(JsonReport& report, const FindResult& result, const std::vector<TagList>& matches);

}  // namespace norvane::cli
