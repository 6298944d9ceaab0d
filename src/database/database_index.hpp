#pragma once

#include <string>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// Outcome of recording one received object in the local database index.
enum class IndexResult {
  kRecorded,               // image record written, and the study and series records when new
  kAlreadyStored,          // the object's file exists: nothing written
  kUnsafeUID,              // a Study, Series or SOP Instance UID cannot name a folder or file
                           // inside the root (see IsSafeStoreName): nothing written
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

// Records a received object in the index under `root`: a study record in root's
// "KPStudy.dir" when the study folder is new, a series record in the study folder's
// "Series.dir" when the series folder is new, and an image record in the series folder's
// "Image.dir", unless a file already exists at `filePath`. Folders are named by the Study
// and Series Instance UIDs (GetStoreUID). Calls are serialised by one process-wide lock.
// A study or series folder whose record could not be written is removed again, so that
// the next object of that study or series writes the record.
IndexResult UpdateDatabaseIndex(const std::string& filePath, const std::string& root,
                                const TagList& dataset);

}  // namespace norvane
