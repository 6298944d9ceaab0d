#include "dump/json_value.hpp"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "elements/byte_order.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

using Json = nlohmann::ordered_json;

bool IsOneOf(std::string_view vr, std::initializer_list<std::string_view> vrs) {
  for (std::string_view v : vrs) {
    if (vr == v) return true;
  }
  return false;
}

bool IsBinaryVR(std::string_view vr) {
  return IsOneOf(vr, {"OB", "OD", "OF", "OL", "OV", "OW", "UN"});
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
    text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) {
  text = TrimRight(text);
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  return text;
}

std::string Decoded(std::string_view text, TextEncoding encoding) {
  if (encoding != TextEncoding::kLatin1) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t at = 0;
  for (;;) {
    const size_t next = text.find(separator, at);
    parts.push_back(text.substr(at, next == std::string_view::npos ? next : next - at));
    if (next == std::string_view::npos) return parts;
    at = next + 1;
  }
}

// A DS or IS text as a JSON number: an integer when it is written as one.
Json Number(std::string_view text) {
  const std::string value(text);
  if (value.find_first_of(".eE") == std::string::npos) {
    long long n = 0;
    const char* first = value.data() + (value.starts_with('+') ? 1 : 0);
    const auto [end, error] = std::from_chars(first, value.data() + value.size(), n);
    if (error == std::errc() && end == value.data() + value.size()) return n;
  }
  char* end = nullptr;
  const double d = std::strtod(value.c_str(), &end);
  if (end == value.c_str() + value.size() && !value.empty()) return d;
  return value;  // not a number: shown as the text it is
}

// A float as the shortest decimal that reads back as the same float, then as a double, so
// that 0.7f shows as 0.7 and not 0.699999988079071.
double FloatAsDouble(float f) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text - 1, f);
  if (error != std::errc()) return f;
  *end = '\0';
  return std::strtod(text, nullptr);
}

Json PersonName(std::string_view text, TextEncoding encoding) {
  static constexpr const char* kGroups[] = {"Alphabetic", "Ideographic", "Phonetic"};
  Json name = Json::object();
  const std::vector<std::string_view> groups = Split(text, '=');
  for (size_t i = 0; i < groups.size() && i < 3; ++i) {
    const std::string_view group = TrimRight(groups[i]);
    if (!group.empty()) name[kGroups[i]] = Decoded(group, encoding);
  }
  return name.empty() ? Json(nullptr) : name;
}

Json TextValues(std::string_view text, std::string_view vr, TextEncoding encoding) {
  Json values = Json::array();
  if (IsOneOf(vr, {"LT", "ST", "UT", "UR"})) {
    const std::string_view value = TrimRight(text);
    if (!value.empty()) values.push_back(Decoded(value, encoding));
    return values;
  }
  // A UID value ends at its NUL pad.
  if (vr == "UI") text = text.substr(0, text.find('\0'));
  bool any = false;
  for (std::string_view part : Split(text, '\\')) {
    Json value;
    if (vr == "PN") {
      value = PersonName(part, encoding);
    } else if (const std::string_view trimmed = Trim(part); trimmed.empty()) {
      value = nullptr;
    } else if (vr == "IS" || vr == "DS") {
      value = Number(trimmed);
    } else {
      value = Decoded(trimmed, IsOneOf(vr, {"LO", "SH", "UC"}) ? encoding : TextEncoding::kUtf8);
    }
    any = any || !value.is_null();
    values.push_back(std::move(value));
  }
  return any ? values : Json::array();
}

// Every whole number of `width` bytes of the value, as `read` takes it.
template <class Number>
Json BinaryNumbers(std::span<const uint8_t> bytes, size_t width, bool bigEndian,
                   Number (*read)(const uint8_t*, bool)) {
  Json values = Json::array();
  for (size_t at = 0; at + width <= bytes.size(); at += width) {
    values.push_back(read(bytes.data() + at, bigEndian));
  }
  return values;
}

uint64_t LoadU64(const uint8_t* p, bool bigEndian) {
  const uint64_t first = LoadU32(p, bigEndian);
  const uint64_t second = LoadU32(p + 4, bigEndian);
  return bigEndian ? (first << 32) | second : (second << 32) | first;
}

Json NumberValues(std::span<const uint8_t> bytes, std::string_view vr, bool bigEndian) {
  if (vr == "US") return BinaryNumbers<uint16_t>(bytes, 2, bigEndian, LoadU16);
  if (vr == "UL") return BinaryNumbers<uint32_t>(bytes, 4, bigEndian, LoadU32);
  if (vr == "UV") return BinaryNumbers<uint64_t>(bytes, 8, bigEndian, LoadU64);
  if (vr == "SS") {
    return BinaryNumbers<int16_t>(bytes, 2, bigEndian, [](const uint8_t* p, bool big) {
      return static_cast<int16_t>(LoadU16(p, big));
    });
  }
  if (vr == "SL") {
    return BinaryNumbers<int32_t>(bytes, 4, bigEndian, [](const uint8_t* p, bool big) {
      return static_cast<int32_t>(LoadU32(p, big));
    });
  }
  if (vr == "SV") {
    return BinaryNumbers<int64_t>(bytes, 8, bigEndian, [](const uint8_t* p, bool big) {
      return static_cast<int64_t>(LoadU64(p, big));
    });
  }
  if (vr == "FL") {
    return BinaryNumbers<double>(bytes, 4, bigEndian, [](const uint8_t* p, bool big) {
      const uint32_t bits = LoadU32(p, big);
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return FloatAsDouble(f);
    });
  }
  if (vr == "FD") {
    return BinaryNumbers<double>(bytes, 8, bigEndian, [](const uint8_t* p, bool big) {
      const uint64_t bits = LoadU64(p, big);
      double d;
      std::memcpy(&d, &bits, sizeof d);
      return d;
    });
  }
  // AT: group and element.
  Json values = Json::array();
  for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    char text[9];
    std::snprintf(text, sizeof text, "%04X%04X", LoadU16(bytes.data() + at, bigEndian),
                  LoadU16(bytes.data() + at + 2, bigEndian));
    values.push_back(text);
  }
  return values;
}

// The size of the words a binary VR holds, which big-endian data sets store swapped.
size_t WordSize(std::string_view vr) {
  if (vr == "OW") return 2;
  if (vr == "OF" || vr == "OL") return 4;
  if (vr == "OD" || vr == "OV") return 8;
  return 1;
}

}  // namespace

TextEncoding TextEncodingOf(std::string_view specificCharacterSet) {
  // The first value names the character set of the texts without code extensions.
  const std::string_view first =
      Trim(specificCharacterSet.substr(0, specificCharacterSet.find('\\')));
  if (first == "ISO_IR 100" || first == "ISO 2022 IR 100") return TextEncoding::kLatin1;
  if (first.empty() || first == "ISO_IR 6" || first == "ISO_IR 192" || first == "ISO 2022 IR 6") {
    return TextEncoding::kUtf8;
  }
  return TextEncoding::kUnconverted;
}

std::string Base64(std::span<const uint8_t> bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t at = 0;
  for (; at + 3 <= bytes.size(); at += 3) {
    const uint32_t n = (uint32_t{bytes[at]} << 16) | (uint32_t{bytes[at + 1]} << 8) | bytes[at + 2];
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += kAlphabet[(n >> 6) & 63];
    out += kAlphabet[n & 63];
  }
  if (const size_t left = bytes.size() - at; left > 0) {
    const uint32_t n = (uint32_t{bytes[at]} << 16) | (left == 2 ? uint32_t{bytes[at + 1]} << 8 : 0);
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += left == 2 ? kAlphabet[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

void AddJsonValue(Json& attribute, const TagRecord& record, std::string_view vr,
                  const JsonValueOptions& options) {
  if (!record.HasValue()) return;
  if (record.inFile && (!IsBinaryVR(vr) || record.length <= options.inlineBinaryLimit)) {
    // A long value left in its file that is shown all the same: read back for the moment.
    TagRecord held = record;
    held.inFile.reset();
    held.value.resize(record.length);
    if (record.inFile->source->Read(record.inFile->offset, held.value)) {
      AddJsonValue(attribute, held, vr, options);
      return;
    }
  }
  if (IsBinaryVR(vr)) {
    const std::span<const uint8_t> bytes = ValueBytes(record);
    if (record.length > options.inlineBinaryLimit || bytes.size() != record.length) {
      attribute["length"] = record.length;
      return;
    }
    const size_t word = WordSize(vr);
    if (!options.bigEndian || word == 1 || bytes.size() % word != 0) {
      attribute["InlineBinary"] = Base64(bytes);
      return;
    }
    std::vector<uint8_t> little(bytes.begin(), bytes.end());
    for (size_t at = 0; at < little.size(); at += word) {
      std::reverse(little.begin() + static_cast<std::ptrdiff_t>(at),
                   little.begin() + static_cast<std::ptrdiff_t>(at + word));
    }
    attribute["InlineBinary"] = Base64(little);
    return;
  }
  Json values;
  if (IsOneOf(vr, {"US", "SS", "UL", "SL", "FL", "FD", "SV", "UV", "AT"})) {
    values = NumberValues(ValueBytes(record), vr, options.bigEndian);
  } else {
    values = TextValues(ValueText(record), vr, options.encoding);
  }
  if (!values.empty()) attribute["Value"] = std::move(values);
}

}  // namespace norvane
