#pragma once

// C-FIND over the stored objects: the identifier's keys matched against the attributes of
// the objects the index names, one answer per matching patient, study, series or image.

#include <string>
#include <string_view>
#include <vector>

#include "database/query_answer.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// The information model of the query's SOP class.
enum class QueryModel {
  kStudyRoot,    // STUDY, SERIES, IMAGE; patient attributes belong to the study
  kPatientRoot,  // PATIENT, STUDY, SERIES, IMAGE
};

// Answers a C-FIND identifier from the database under `root`: one identifier per match, in
// index order, each key's value taken from the top level of the stored objects (empty for
// a key below the query level, a sequence, or an attribute the objects lack), the level as
// asked, and Retrieve AE Title (0008,0054) as `retrieveAETitle` whether asked or not. The
// identifier is invalid when it names no Query/Retrieve Level the model has. An entity
// matches when every key of its level and of the levels above it matches (MatchesKey): the
// stored value of a patient, study or series is that of its first readable object in index
// order, for the attributes of that level whether the index holds them or not. Keys below
// the query level neither match nor are answered. The counts of related series and
// instances and the modalities in a study are taken from the index and the objects.
// Unique keys at and above the level select from the index before any file is read. Each
// match is handed to `visit` as it is found, so that no more than one is held at a time;
// the query stops when `visit` gives false.
QueryAnswer QueryStoredObjects(const std::string& root, QueryModel model, const TagList& identifier,
                               std::string_view retrieveAETitle, const MatchVisitor& visit);
// The same, gathering every match in `matches`.
QueryAnswer QueryStoredObjects(const std::string& root, QueryModel model, const TagList& identifier,
                               std::string_view retrieveAETitle);

}  // namespace norvane
