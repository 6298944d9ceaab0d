#pragma once

// The "matches" of find and worklist with --json: each response identifier as a data set
// in the DICOM JSON Model.

#include <vector>

#include <cstddef>
#include <string_view>

#include "cli/json_report.hpp"
#include "dimse/query_responses.hpp"
#include "elements/tag_record.hpp"
#include "net/association_parameters.hpp"

namespace norvane::cli {

// The identifiers as they came (implicit VR little endian on the wire).
Json MatchesJson(const std::vector<TagList>& matches);

// "count", "cutOff" and "matches" into the report.
void AddMatches(JsonReport& report, const FindResult& result, const std::vector<TagList>& matches);

// The query of `identifier` in the information model `sopClass`, its matches into the
// report; `count` gets their number.
FindResult QueryIntoReport(JsonReport& report, const AssociationParameters& peer,
                           std::string_view sopClass, const TagList& identifier, size_t maxResults,
                           size_t& count);

}  // namespace norvane::cli
