#pragma once

#include <string>

namespace norvane {

// A new UID for an object, a procedure step or a transaction this system creates: "2.25."
// and a random 128-bit number in decimal (a UUID-derived UID, at most 44 characters), so
// that no registry, host name or clock is needed and two processes never collide.
std::string NewUID();

}  // namespace norvane
