#pragma once

// A data set in the DICOM JSON Model: one member per attribute, named by its tag as eight
// upper-case hex digits ("00100010"), holding its "vr" and its value (json_value.hpp);
// sequences hold their items as data sets in "Value".

#include <cstddef>
#include <nlohmann/json.hpp>

#include "elements/tag_record.hpp"

namespace norvane {

// Binary values up to this many bytes go inline unless told otherwise.
inline constexpr size_t kDefaultInlineBinaryLimit = 65536;

struct DicomJsonOptions {
  bool explicitVR = true;  // records without VR take the dictionary's VR ("UN" without a row)
  bool bigEndian = false;
  size_t inlineBinaryLimit = kDefaultInlineBinaryLimit;
};

struct DicomJson {
  nlohmann::ordered_json dataset = nlohmann::ordered_json::object();
  // Items nested deeper than kMaxJsonDepth were left out (their sequence shows no Value).
  bool nestedTooDeep = false;
  // A sequence of defined length whose value could not be read as items (shown as its
  // length instead).
  bool malformedSequence = false;
};

inline constexpr int kMaxJsonDepth = 64;

// The data set of a flat list (sequences and encapsulated pixel data held as headers, items
// and delimiters; sequences of defined length are read from their value). Group lengths
// (gggg,0000) and stray items or delimiters are left out. Encapsulated pixel data shows its
// "length" (the bytes of its fragments, the basic offset table not counted) and its number
// of "fragments". Texts are turned into UTF-8 from ISO_IR 100 where a Specific Character Set
// says so, and such a Specific Character Set, like ASCII and UTF-8 ones, is then given as
// "ISO_IR 192"; texts of other character sets stand as they are (bytes that are no UTF-8
// are left to the JSON writer: dump with error_handler_t::replace).
DicomJson DatasetToJson(const TagList& list, const DicomJsonOptions& options = {});

}  // namespace norvane
