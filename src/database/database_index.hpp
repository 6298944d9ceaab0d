#pragma once

#include <string>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// Outcome of recording one received object in the local database index.
enum class IndexResult {
  kRecorded,               // image record written, and the study and series records when new
  kAlreadyStored,          // the object is indexed already: nothing written
  kUnsafeUID,              // a Study, Series or SOP Instance UID cannot name a folder or file
                           // inside the root (see IsSafeStoreName): nothing written
  kUIDTooLong,             // a UID is longer than 64 characters: nothing written
  kUIDMissing,             // a Study, Series or SOP Instance UID is empty: nothing written
  kFolderNotCreated,       // the study or series folder could not be made
  kStudyIndexNotWritten,   // study record lost; the new study folder was removed again
  kSeriesIndexNotWritten,  // series record lost; the new series folder was removed again
  kImageIndexNotWritten,   // image record lost
};

inline bool IndexSucceeded(IndexResult result) {
  return result == IndexResult::kRecorded || result == IndexResult::kAlreadyStored;
}

// Short text of a result for log lines.
std::string_view IndexResultText(IndexResult result);

// How the object's file came to its place before it is indexed.
enum class StoredFile {
  kNew,       // no file of that name was there: the object cannot be indexed yet
  kReplaced,  // it replaced a file of the same name, whose object may be indexed already
};

// Records a stored object in the index under `root`, writing each record the index lacks:
// a study record in root's "KPStudy.dir" when no line there names the study, a series
// record in the study folder's "Series.dir" when no line there names the series, and an
// image record in the series folder's "Image.dir" for a new file, or for a replaced one
// whose SOP Instance UID no line there names. So a re-sent object adds no line, and one
// whose file was placed but not indexed (a crash between the two) gets its lines when it
// comes again. Folders are named by the Study and Series Instance UIDs (GetStoreUID) and
// made when missing; a folder made here is removed again when a record cannot be written.
// Calls are serialised by one process-wide lock.
//
// The file at `filePath` should be in place under its final name before the call, so that
// no line of the index ever names a missing file.
IndexResult UpdateDatabaseIndex(const std::string& filePath, const std::string& root,
                                const TagList& dataset, StoredFile file = StoredFile::kNew);

}  // namespace norvane
