#pragma once

// The generated table (dictionary_table.cpp, made by tools/make_dictionary_table.py).

#include <cstddef>
#include <cstdint>

#include "dictionary/dictionary_entry.hpp"

namespace norvane {

// Rows in table order.
extern const DictionaryEntry kDictionaryRows[];
extern const size_t kDictionaryRowCount;
// Every tag of the table as (group << 16 | element), ascending, and the index of its row.
extern const uint32_t kDictionarySortedTags[];
extern const uint16_t kDictionarySortedRows[];

}  // namespace norvane
