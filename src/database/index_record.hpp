#pragma once

#include <string>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// The three index files of the local database, named relative to the database root, a
// study folder and a series folder.
inline constexpr std::string_view kStudyIndexFile = "KPStudy.dir";
inline constexpr std::string_view kSeriesIndexFile = "Series.dir";
inline constexpr std::string_view kImageIndexFile = "Image.dir";

// Records are comma-separated fields without quoting, one per line, ending in CR LF.
inline constexpr char kIndexFieldSeparator = ',';
inline constexpr std::string_view kIndexLineEnd = "\r\n";

// What stands for a comma inside a field value: a caret in person names (where the comma
// separates name components, as the caret does in DICOM), a semicolon in other texts.
inline constexpr char kCommaInPersonName = '^';
inline constexpr char kCommaInText = ';';

// A value as one field: CR and LF become blanks, commas `commaReplacement`; every other
// byte stays as it is.
std::string IndexFieldText(std::string text, char commaReplacement);

// Marks the last field of a study record, the date and time it was written: the section
// sign of the Windows Latin-1 code page, written as this one byte.
inline constexpr char kStudyStampMark = '\xA7';

// Field 3 of an image record names the object's file: that UID + ".dcm" in the series
// folder.
inline constexpr int kImageFileField = 3;
inline constexpr std::string_view kStoredFileExtension = ".dcm";

// One whole record with its line end. Every field is present, empty for a missing
// element. `writtenAt` is the date and time text of the study record's last field.
std::string BuildStudyRecord(const TagList& dataset, std::string_view writtenAt);
std::string BuildSeriesRecord(const TagList& dataset);
std::string BuildImageRecord(const TagList& dataset);

// Field n (counted from 1) of a line of fields separated by `separator`; empty when the
// line has fewer than n fields or n is below 1.
std::string GetField(std::string_view line, char separator, int n);

}  // namespace norvane
