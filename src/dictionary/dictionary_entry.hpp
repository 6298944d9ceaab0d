#pragma once

#include <cstdint>
#include <string_view>

namespace norvane {

// One row of the data dictionary. Names are Windows-1252 bytes.
struct DictionaryEntry {
  uint16_t group;
  uint16_t element;
  char vr[2];
  std::string_view name;
};

}  // namespace norvane
