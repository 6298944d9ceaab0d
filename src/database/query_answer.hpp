#pragma once

// What a query over local data answers, and how one key's value is answered.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

// Takes one match (an identifier, each key of the request answered in the request's order)
// as soon as it is found; false stops the query.
using MatchVisitor = std::function<bool(TagList match)>;

struct QueryAnswer {
  // False when the identifier cannot be answered (no level of the information model, a
  // nesting that cannot be read); `problem` says why in words.
  bool identifierValid = true;
  std::string problem;
  // The matches, when the query was asked to gather them rather than hand each to a visitor.
  std::vector<TagList> matches;
  // Files passed over because they cannot be read, each with why.
  std::vector<std::string> skipped;
};

// The key's record (tag and VR) holding `value`, padded to even length as the VR wants.
TagRecord AnswerRecord(const TagRecord& key, std::span<const uint8_t> value);

}  // namespace norvane
