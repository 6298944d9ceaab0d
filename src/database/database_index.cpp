#include "database/database_index.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "database/index_file.hpp"
#include "database/index_record.hpp"
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

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool MakeFolder(const std::string& path) {
  return ForceDirectories(path) && DirectoryExists(path);
}

}  // namespace

std::string_view IndexResultText(IndexResult result) {
  switch (result) {
    case IndexResult::kRecorded:
      return "recorded";
    case IndexResult::kAlreadyStored:
      return "file already stored";
    case IndexResult::kUnsafeUID:
      return "UID cannot name a folder or file";
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

IndexResult UpdateDatabaseIndex(const std::string& filePath, const std::string& root,
                                const TagList& dataset) {
  const std::string studyUID = GetStoreUID(dataset, tag::kStudyInstanceUID);
  const std::string seriesUID = GetStoreUID(dataset, tag::kSeriesInstanceUID);
  const std::string instanceUID = GetStoreUID(dataset, tag::kSOPInstanceUID);
  if (!IsSafeStoreName(studyUID) || !IsSafeStoreName(seriesUID) || !IsSafeStoreName(instanceUID)) {
    return IndexResult::kUnsafeUID;
  }
  const std::string rootFolder = WithTrailingSeparator(root);
  const std::string studyFolder = rootFolder + studyUID + "/";
  const std::string seriesFolder = studyFolder + seriesUID + "/";

  std::lock_guard lock(IndexLock());
  if (PathExists(filePath)) return IndexResult::kAlreadyStored;

  // The folders carry the deduplication: only the call that makes a folder writes its
  // record. A folder whose record is lost goes again, or its record would never be written.
  if (!DirectoryExists(studyFolder)) {
    if (!MakeFolder(studyFolder)) return IndexResult::kFolderNotCreated;
    const std::string record = BuildStudyRecord(dataset, CurrentDateTimeText());
    if (!AppendIndexLine(rootFolder + std::string(kStudyIndexFile), record)) {
      ::rmdir(studyFolder.c_str());
      return IndexResult::kStudyIndexNotWritten;
    }
  }
  if (!DirectoryExists(seriesFolder)) {
    if (!MakeFolder(seriesFolder)) return IndexResult::kFolderNotCreated;
    if (!AppendIndexLine(studyFolder + std::string(kSeriesIndexFile), BuildSeriesRecord(dataset))) {
      ::rmdir(seriesFolder.c_str());
      return IndexResult::kSeriesIndexNotWritten;
    }
  }
  if (!AppendIndexLine(seriesFolder + std::string(kImageIndexFile), BuildImageRecord(dataset))) {
    return IndexResult::kImageIndexNotWritten;
  }
  return IndexResult::kRecorded;
}

}  // namespace norvane
