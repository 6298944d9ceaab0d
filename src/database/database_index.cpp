#include "database/database_index.hpp"

#include <unistd.h>

#include <mutex>

#include "database/index_file.hpp"
#include "database/index_record.hpp"
#include "database/indexed_studies.hpp"
#include "database/store_uid.hpp"
#include "elements/tags.hpp"
#include "platform/date_time_format.hpp"
#include "platform/folders.hpp"

namespace norvane {
namespace {

// Every store worker of the process indexes through here; the folder checks, folder
// creations and appends of one object must not interleave with another's, or two objects
// of a new study would both write its record.
std::mutex& IndexLock() {
  static std::mutex lock;
  return lock;
}

// Makes a folder when it is missing; `made` tells whether this call made it.
bool EnsureFolder(const std::string& path, bool& made) {
  made = false;
  if (DirectoryExists(path)) return true;
  made = ForceDirectories(path) && DirectoryExists(path);
  return made;
}

// True when a line of the index file has `uid` in field `field`. Series and image indexes
// are per study and per series, and an image index is only searched for a re-sent object.
bool IndexNames(const std::string& indexPath, int field, const std::string& uid) {
  const auto lines = ReadIndexLines(indexPath);
  if (!lines) return false;
  for (const std::string& line : *lines) {
    if (GetField(line, kIndexFieldSeparator, field) == uid) return true;
  }
  return false;
}

constexpr int kSeriesUIDField = 2;

}  // namespace

std::string_view IndexResultText(IndexResult result) {
  switch (result) {
    case IndexResult::kRecorded:
      return "recorded";
    case IndexResult::kAlreadyStored:
      return "file already stored";
    case IndexResult::kUnsafeUID:
      return "UID cannot name a folder or file";
    case IndexResult::kUIDMissing:
      return "a Study, Series or SOP Instance UID is empty or missing";
    case IndexResult::kUIDTooLong:
      return "UID longer than 64 characters";
    case IndexResult::kFolderNotCreated:
      return "folder cannot be created";
    case IndexResult::kStudyIndexNotWritten:
      return "study index cannot be written";
    case IndexResult::kSeriesIndexNotWritten:
      return "series index cannot be written";
    case IndexResult::kImageIndexNotWritten:
      return "image index cannot be written";
  }
  return "unknown";
}

IndexResult UpdateDatabaseIndex(const std::string& /*filePath: named by the UIDs*/,
                                const std::string& root, const TagList& dataset, StoredFile file) {
  switch (CheckStoreUIDs(dataset)) {
    case StoreUIDProblem::kNone:
      break;
    case StoreUIDProblem::kTooLong:
      return IndexResult::kUIDTooLong;
    case StoreUIDProblem::kUnsafe:
      return IndexResult::kUnsafeUID;
    case StoreUIDProblem::kMissing:
      return IndexResult::kUIDMissing;
  }
  const std::string studyUID = GetStoreUID(dataset, tag::kStudyInstanceUID);
  const std::string seriesUID = GetStoreUID(dataset, tag::kSeriesInstanceUID);
  const std::string instanceUID = GetStoreUID(dataset, tag::kSOPInstanceUID);
  const std::string rootFolder = WithTrailingSeparator(root);
  const std::string studyFolder = rootFolder + studyUID + "/";
  const std::string seriesFolder = studyFolder + seriesUID + "/";
  const std::string studyIndex = rootFolder + std::string(kStudyIndexFile);
  const std::string seriesIndex = studyFolder + std::string(kSeriesIndexFile);
  const std::string imageIndex = seriesFolder + std::string(kImageIndexFile);

  std::lock_guard lock(IndexLock());
  // The lines themselves say what is indexed: a record is written exactly when the index
  // lacks it, whatever a crash left between a file and its lines.
  const bool newImage =
      file == StoredFile::kNew || !IndexNames(imageIndex, kImageFileField, instanceUID);
  if (!newImage) return IndexResult::kAlreadyStored;

  bool madeStudy = false;
  bool madeSeries = false;
  // A folder made here whose record could not be written goes again.
  const auto undo = [&] {
    if (madeSeries) ::rmdir(seriesFolder.c_str());
    if (madeStudy) ::rmdir(studyFolder.c_str());
  };
  if (!EnsureFolder(studyFolder, madeStudy)) return IndexResult::kFolderNotCreated;
  if (!StudyIsIndexed(studyIndex, studyUID)) {
    const std::string record = BuildStudyRecord(dataset, CurrentDateTimeText());
    if (!AppendIndexLine(studyIndex, record)) {
      undo();
      return IndexResult::kStudyIndexNotWritten;
    }
    NoteStudyIndexed(studyIndex, studyUID, record.size());
    madeStudy = false;  // a folder with its record stays
  }
  if (!EnsureFolder(seriesFolder, madeSeries)) {
    undo();
    return IndexResult::kFolderNotCreated;
  }
  if (madeSeries || !IndexNames(seriesIndex, kSeriesUIDField, seriesUID)) {
    if (!AppendIndexLine(seriesIndex, BuildSeriesRecord(dataset))) {
      undo();
      return IndexResult::kSeriesIndexNotWritten;
    }
    madeSeries = false;
  }
  if (!AppendIndexLine(imageIndex, BuildImageRecord(dataset))) {
    undo();
    return IndexResult::kImageIndexNotWritten;
  }
  return IndexResult::kRecorded;
}

}  // namespace norvane
