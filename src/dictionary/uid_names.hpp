#pragma once

// The names the standard gives its UIDs: "1.2.840.10008.1.2.4.91" is "JPEG 2000 Image
// Compression".

#include <string>
#include <string_view>

namespace norvane {

// The name of a UID the dictionary knows (exact comparison); empty for any other text.
std::string_view UIDName(std::string_view uid);

// "UID (Name)" for a UID the dictionary knows, else the UID alone.
std::string UIDWithName(std::string_view uid);

// The text with every UID the dictionary knows followed by " (Name)": a UID is a run of
// digits and dots standing alone (not inside a longer word or number). A UID already in
// parentheses, or already followed by its name, is left as it is.
std::string NameUIDsInText(std::string_view text);

}  // namespace norvane
