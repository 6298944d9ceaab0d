#pragma once

// The -k FIELD=VALUE matching keys of find, move, get and worklist, applied to a query
// record by the record's own field names or by the standard's keywords of their attributes,
// and the other options of the queries.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.hpp"
#include "dictionary/keywords.hpp"
#include "dimse/query_records.hpp"
#include "dimse/record_fields.hpp"

namespace norvane::cli {

// The field called `name`, or the field of the attribute whose keyword `name` is
// ("PatientBirthDate" for PatientBD), the case of letters not counting; null when there is
// none.
template <class Record>
const RecordField<Record>* FindFieldOrKeyword(std::string_view name) {
  if (const RecordField<Record>* field = FindRecordField<Record>(name)) return field;
  const std::optional<Tag> attribute = TagOfKeyword(name);
  if (!attribute) return nullptr;
  for (const RecordField<Record>& field : RecordFields<Record>()) {
    if (field.group != 0 && field.Attribute() == *attribute) return &field;
  }
  return nullptr;
}

// Sets each "FIELD=VALUE" on the record (the last one given for a field counts).
// "FIELD" alone or "FIELD=" names a return key, which every empty field already is. Field
// names are the record's or the keywords of their attributes, the case of letters not
// counting. False, with `error` saying what is wrong and which names are valid, for an
// unknown field, a missing field name, or a value for a field that is only ever returned.
template <class Record>
bool ApplyQueryKeys(const std::vector<std::string>& keys, Record& record, std::string& error) {
  for (const std::string& key : keys) {
    const size_t equals = key.find('=');
    const std::string_view name = std::string_view(key).substr(0, equals);
    const std::string_view value =
        equals == std::string::npos ? std::string_view() : std::string_view(key).substr(equals + 1);
    if (name.empty()) {
      error = "-k needs FIELD=VALUE, not '" + key +
              "'; the fields are: " + MatchingFieldNames<Record>();
      return false;
    }
    const RecordField<Record>* field = FindFieldOrKeyword<Record>(name);
    if (field == nullptr || (!field->matchingKey && field->group == 0)) {
      error = "unknown field '" + std::string(name) + "' in -k " + key +
              "; the fields are: " + MatchingFieldNames<Record>() +
              " (or the keywords of their attributes)";
      return false;
    }
    if (!field->matchingKey) {
      if (value.empty()) continue;
      error = "'" + std::string(field->name) +
              "' is only returned, never matched, so it takes no value; the fields that take "
              "values are: " +
              MatchingFieldNames<Record>();
      return false;
    }
    record.*field->member = std::string(value);
  }
  return true;
}

// A ", "-separated list of names broken into lines of at most `width` characters; every
// line after the first starts with `indent` blanks. Ends with a line end.
std::string WrapNames(std::string_view names, size_t indent, size_t width = 88);

// --level STUDY, SERIES or IMAGE (any case); STUDY when not given. nullopt for another text.
std::optional<QueryLevel> LevelOption(const std::optional<std::string>& text);

// The text of --level in capitals ("STUDY" when not given).
std::string LevelText(const std::optional<std::string>& text);

// --max-results N (0: no limit); kDefaultMaxResults when not given. nullopt, with
// `problem` set, when it is not a whole number.
std::optional<size_t> MaxResultsOption(const ParsedArgs& args, std::string& problem);

}  // namespace norvane::cli
