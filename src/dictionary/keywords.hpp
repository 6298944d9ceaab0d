#pragma once

#include <optional>
#include <string_view>

#include "elements/tag.hpp"

namespace norvane {

// The tag of a keyword of the data dictionary ("PatientBirthDate" is (0010,0030)), the case
// of letters not counting; nullopt for a text that is no keyword.
std::optional<Tag> TagOfKeyword(std::string_view keyword);

}  // namespace norvane
