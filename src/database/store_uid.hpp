#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// The longest UID DICOM allows. A longer one is refused, never cut: two objects whose UIDs
// agree on their first 64 characters would otherwise land in one file.
inline constexpr size_t kMaxStoreUIDLength = 64;

// A UID of the data set as the local store names folders and files with it: the value of
// the top-level element (never one inside a sequence, which names another object) up to
// its first NUL byte, blanks and control bytes removed from both ends, whatever its length
// (IsSafeStoreName says whether it may be used). Empty when the element is missing. The index
// and the store worker both take their names from here, so that index lines, folders and
// files always agree.
std::string GetStoreUID(const TagList& dataset, Tag tag);

// True when the text can name one folder or file directly inside its parent and can stand
// in an index line: not "." or "..", and no '/', ',' or control byte. A peer's UID is
// untrusted; anything else could reach outside the database root or break a record. An
// empty text passes: a missing UID makes an empty path component, which stays in place.
bool IsSafeStoreName(std::string_view uid);

// Why the store cannot name an object by its UIDs.
enum class StoreUIDProblem {
  kNone,
  kTooLong,  // a UID has more than 64 characters
  kUnsafe,   // a UID cannot name a folder or file (IsSafeStoreName)
  kMissing,  // a Study, Series or SOP Instance UID is empty or missing
};

// Checks the UIDs the store names folders and files by and writes into the index: Study,
// Series and SOP Instance UID, which must not be empty, and the SOP Class UID of the meta
// header and image record.
StoreUIDProblem CheckStoreUIDs(const TagList& dataset);

}  // namespace norvane
