#pragma once

#include <span>
#include <string_view>

namespace norvane {

// A storage SOP class of the dictionary: its UID and its name.
struct StorageSOPClass {
  std::string_view uid;
  std::string_view name;
};

// Every storage SOP class the dictionary knows, retired ones included, sorted by UID as
// texts compare.
std::span<const StorageSOPClass> StorageSOPClasses();

// True when the UID is one of them (exact, case-sensitive comparison).
bool IsStorageSOPClass(std::string_view uid);

inline std::string_view UIDOf(const StorageSOPClass& entry) {
  return entry.uid;
}
inline std::string_view UIDOf(std::string_view uid) {
  return uid;
}

}  // namespace norvane
