#pragma once

// The fields of a record type by name and attribute: how a command line names them, how a
// response element finds its field, and which fields a query may match on.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "elements/tag.hpp"

namespace norvane {

template <class Record>
struct RecordField {
  constexpr RecordField(std::string_view name, std::string Record::*member, Tag attribute,
                        bool matchingKey = true)
      : name(name),
        member(member),
        group(attribute.group),
        element(attribute.element),
        matchingKey(matchingKey) {}

  Tag Attribute() const { return Tag{group, element}; }

  std::string_view name;  // as the record's member is called
  std::string Record::*member;
  uint16_t group;  // the attribute; (0000,0000) for a field that has none
  uint16_t element;
  // A value given here is sent as a matching key. False for fields that are always sent
  // empty (return keys only) or never sent.
  bool matchingKey;
};

// Every field of the record type, in the record's field order. Defined for the query
// records and the worklist item.
template <class Record>
std::span<const RecordField<Record>> RecordFields();

// The field called `name`, the case of letters not counting; null when there is none.
template <class Record>
const RecordField<Record>* FindRecordField(std::string_view name) {
  for (const RecordField<Record>& field : RecordFields<Record>()) {
    if (field.name.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) {
      const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
      same = lower(field.name[i]) == lower(name[i]);
    }
    if (same) return &field;
  }
  return nullptr;
}

// The names of the fields that take matching values, separated by ", ".
template <class Record>
std::string MatchingFieldNames() {
  std::string names;
  for (const RecordField<Record>& field : RecordFields<Record>()) {
    if (!field.matchingKey) continue;
    if (!names.empty()) names += ", ";
    names += field.name;
  }
  return names;
}

}  // namespace norvane
