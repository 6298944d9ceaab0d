#pragma once

// What a query over local data answers, and how one key's value is answered.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

struct QueryAnswer {
  // False when the identifier cannot be answered (no level of the information model, a
  // nesting that cannot be read); `problem` says why in words.
  bool identifierValid = true;
  std::string problem;
  // One identifier per match, each key of the request answered in the request's order.
  std::vector<TagList> matches;
};

// The key's record (tag and VR) holding `value`, padded to even length as the VR wants.
TagRecord AnswerRecord(const TagRecord& key, std::span<const uint8_t> value);

}  // namespace norvane
