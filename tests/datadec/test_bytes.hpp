#pragma once

// Byte helpers shared by the element codec tests.

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

inline Bytes Text(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// A literal with every byte it spells, embedded and trailing NULs included.
template <size_t N>
Bytes Text(const char (&literal)[N]) {
  return Bytes(literal, literal + N - 1);
}

// "08 00 16 00 55 49 ..." for failure messages.
inline std::string Hex(std::span<const uint8_t> bytes) {
  std::string out;
  for (uint8_t b : bytes) {
    char h[4];
    std::snprintf(h, sizeof h, "%02X ", b);
    out += h;
  }
  return out;
}

inline std::string Describe(const TagRecord& r) {
  char head[64];
  std::snprintf(head, sizeof head, "(%04X,%04X) vr=%.2s len=%u value=", r.group, r.element,
                r.HasVR() ? r.vr : "--", r.length);
  return head + Hex(r.value);
}

inline std::string Describe(const TagList& list) {
  std::string out;
  for (const TagRecord& r : list)
    out += Describe(r) + "\n";
  return out;
}

inline TagRecord Record(uint16_t group, uint16_t element, std::string_view vr, Bytes value) {
  TagRecord r;
  r.group = group;
  r.element = element;
  r.SetVR(vr);
  r.length = static_cast<uint32_t>(value.size());
  r.value = std::move(value);
  return r;
}

inline TagRecord Record(Tag tag, std::string_view vr, Bytes value) {
  return Record(tag.group, tag.element, vr, std::move(value));
}

inline TagRecord Undefined(uint16_t group, uint16_t element, std::string_view vr) {
  TagRecord r;
  r.group = group;
  r.element = element;
  r.SetVR(vr);
  r.length = kUndefinedLength;
  return r;
}

inline TagRecord Undefined(Tag tag, std::string_view vr) {
  return Undefined(tag.group, tag.element, vr);
}

inline bool SameRecord(const TagRecord& a, const TagRecord& b) {
  return a.group == b.group && a.element == b.element && a.vr[0] == b.vr[0] && a.vr[1] == b.vr[1] &&
         a.length == b.length && a.value == b.value;
}

}  // namespace norvane::testing
