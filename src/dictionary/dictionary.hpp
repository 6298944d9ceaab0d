#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "dictionary/dictionary_entry.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

inline constexpr std::string_view kUnidentifiedName = "*** Unidentified ***";

// All rows in table order (ascending tags, two rows excepted).
std::span<const DictionaryEntry> DictionaryTable();

// The row of exactly this tag (no repeating-group masks), or null.
const DictionaryEntry* FindDictionaryEntry(uint16_t group, uint16_t element);

// Sets the record's VR from the row of its tag, "UN" when there is none.
void LookupVR(TagRecord& record);

// The name of the record's tag, "*** Unidentified ***" when there is no row. When `hasVR` is
// false and the row exists, the record also gets the row's VR.
std::string_view LookupName(TagRecord& record, bool hasVR);

}  // namespace norvane
