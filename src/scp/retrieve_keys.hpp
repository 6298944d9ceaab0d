#pragma once

// The unique keys of a C-MOVE or C-GET identifier (Study Root or Patient Root, no
// relational retrieval): which stored objects a retrieval selects.

#include <cstdint>
#include <string>

#include "database/archive_query.hpp"
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

// Reads Query/Retrieve Level (PATIENT in the Patient Root model only, STUDY, SERIES or
// IMAGE) and the unique keys of the top level of the identifier: Patient ID (one value)
// in the Patient Root model, and the UID lists (values separated by '\'): Study Instance
// UID from STUDY on, Series Instance UID from SERIES on, SOP Instance UID at IMAGE level.
// The key of the level itself must hold a value, so that an empty key never selects the
// whole archive; the keys of the levels above narrow the selection when given.
RetrieveSelection SelectionOf(const TagList& identifier, QueryModel model);

}  // namespace norvane
