#pragma once

// The value of one element in the DICOM JSON Model: "Value" as JSON strings, numbers or
// person-name objects, "InlineBinary" as base64, or the length of a long binary value.

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// How the texts of a data set are encoded, from its Specific Character Set (0008,0005).
enum class TextEncoding : uint8_t {
  kUtf8,         // none given, ISO_IR 6 (ASCII) or ISO_IR 192 (UTF-8): taken as they are
  kLatin1,       // ISO_IR 100 / ISO 2022 IR 100: each byte above 0x7F is one code point
  kUnconverted,  // any other: taken as they are, bytes that are no UTF-8 get replaced
};

TextEncoding TextEncodingOf(std::string_view specificCharacterSet);

struct JsonValueOptions {
  bool bigEndian = false;  // numbers and binary words of the data set
  TextEncoding encoding = TextEncoding::kUtf8;
  size_t inlineBinaryLimit = 0;  // longest value given as "InlineBinary"
};

// Adds the value of a record that is neither a sequence nor encapsulated to `attribute`
// (which holds its "vr"), as `vr` says:
// - AE AS CS DA DT LO SH TM UI UC: "Value" with one string per backslash-separated value,
//   blanks (and a UID's NUL pad) trimmed; LT ST UT UR: one string, trailing blanks trimmed;
// - PN: one object per value with "Alphabetic", "Ideographic" and "Phonetic" as present;
// - IS DS: numbers (a text that is no number stays a string);
// - US SS UL SL FL FD SV UV: numbers in the data set's byte order; AT: "GGGGEEEE" strings;
// - OB OD OF OL OV OW UN: "InlineBinary" (base64 of the little-endian bytes) up to the
//   limit, else "length" with the value's length in bytes.
// An empty value within several is null; a record without any value gets no "Value".
// A value left in its file (record.inFile) is read back when it is shown, else only its
// length is given.
void AddJsonValue(nlohmann::ordered_json& attribute, const TagRecord& record, std::string_view vr,
                  const JsonValueOptions& options);

// The standard base64 alphabet with '=' padding.
std::string Base64(std::span<const uint8_t> bytes);

}  // namespace norvane
