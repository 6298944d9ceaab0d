#pragma once

#include <string>

#include "elements/tag_record.hpp"

namespace norvane {

// A new UID for an object, a procedure step or a transaction this system creates: "2.25."
// and a random 128-bit number in decimal (a UUID-derived UID, at most 44 characters), so
// that no registry, host name or clock is needed and two processes never collide.
std::string NewUID();

// Gives the object new Study, Series and SOP Instance UIDs (NewUID each), so that a copy
// sent again is a new object of a new series of a new study. Only the top-level records
// are replaced; an object lacking one of them keeps lacking it.
void RenewInstanceUIDs(TagList& dataset);

}  // namespace norvane
