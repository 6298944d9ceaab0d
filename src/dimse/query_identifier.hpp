#pragma once

// C-FIND and C-MOVE identifiers of the Study Root information model, built from a query
// record, and response identifiers read back into records.

#include "dimse/query_records.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Append every key of the level in ascending tag order: each record field (empty ones with
// length 0) and Query/Retrieve Level (0008,0052). No key of a higher level is added; unique
// keys of the parent levels (Study and Series Instance UID) come from the record.
void BuildStudyIdentifier(const StudyInfo& record, TagList& identifier);
void BuildSeriesIdentifier(const SeriesInfo& record, TagList& identifier);
void BuildImageIdentifier(const ImageInfo& record, TagList& identifier);

// Fill the record from the response elements in list order: an element with a value whose
// tag belongs to one of the record's fields sets that field (a later one overwrites an
// earlier one); elements of length 0 or undefined length and all other tags are skipped.
void ParseStudyResponse(StudyInfo& record, const TagList& identifier);
void ParseSeriesResponse(SeriesInfo& record, const TagList& identifier);
void ParseImageResponse(ImageInfo& record, const TagList& identifier);

// The same, chosen by the record's type.
inline void BuildIdentifier(const StudyInfo& r, TagList& l) {
  BuildStudyIdentifier(r, l);
}
inline void BuildIdentifier(const SeriesInfo& r, TagList& l) {
  BuildSeriesIdentifier(r, l);
}
inline void BuildIdentifier(const ImageInfo& r, TagList& l) {
  BuildImageIdentifier(r, l);
}
inline void ParseResponse(StudyInfo& r, const TagList& l) {
  ParseStudyResponse(r, l);
}
inline void ParseResponse(SeriesInfo& r, const TagList& l) {
  ParseSeriesResponse(r, l);
}
inline void ParseResponse(ImageInfo& r, const TagList& l) {
  ParseImageResponse(r, l);
}

}  // namespace norvane
