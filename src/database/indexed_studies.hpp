#pragma once

#include <cstddef>
#include <string>

namespace norvane {

// Whether a study index ("KPStudy.dir") holds a line for a Study Instance UID. The UIDs of
// each file are read once and kept while the file stays as this process last saw it (same
// file, size and modification time), so that an object of a known study costs a stat, not
// a read of every study line. Not thread-safe: the index lock guards it.
bool StudyIsIndexed(const std::string& studyIndexPath, const std::string& studyUID);

// Tells the cache that a line of `appendedBytes` bytes for `studyUID` was appended to the
// file; when anything else changed the file too, it is read again at the next look.
void NoteStudyIndexed(const std::string& studyIndexPath, const std::string& studyUID,
                      size_t appendedBytes);

}  // namespace norvane
