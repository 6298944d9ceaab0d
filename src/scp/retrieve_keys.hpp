#pragma once

// The unique keys of a C-MOVE or C-GET identifier (Study Root, no relational
// retrieval): which stored objects a retrieval selects.

#include <cstdint>
#include <string>

#include "database/stored_objects.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

struct RetrieveSelection {
  InstanceKeys keys;
  // Success, or 0xA900 (identifier does not match SOP class) with `problem`
  // saying why.
  uint16_t status = 0;
  std::string problem;
};

// Reads Query/Retrieve Level (STUDY, SERIES or IMAGE) and the UID lists (values
// separated by '\'): Study Instance UID at every level, Series Instance UID
// from SERIES on, SOP Instance UID at IMAGE level. The key of the level itself
// must hold at least one UID, so that an empty key never selects the whole
// archive; at SERIES and IMAGE level the parent keys narrow the selection when
// given.
RetrieveSelection SelectionOf(const TagList& identifier);

}  // namespace norvane
