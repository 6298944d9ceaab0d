#include "scp/store_thread.hpp"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "database/index_record.hpp"
#include "database/store_uid.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/transfer_syntax.hpp"
#include "elements/tags.hpp"
#include "net/command_set.hpp"
#include "platform/folders.hpp"

namespace norvane {
namespace {

// Index update and the move into place of one object must not interleave with another's.
std::mutex& StoreLock() {
  static std::mutex lock;
  return lock;
}

std::atomic<unsigned> stagingCounter{0};

// A folder with all its missing levels; a short relative name such as "db" is made too.
bool MakeFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return DirectoryExists(folder);
}

// A name in the storage folder for the file while it is written; the leading dot keeps
// it out of the folder tree of studies.
std::string StagingPath(const std::string& storageFolder) {
  char name[64];
  std::snprintf(name, sizeof name, ".incoming-%ld-%u.dcm", static_cast<long>(::getpid()),
                stagingCounter.fetch_add(1));
  return storageFolder + name;
}

}  // namespace

StoreThread::StoreThread(std::string storageFolder, TagList dataset, std::string transferSyntax)
    : storageFolder_(WithTrailingSeparator(storageFolder)),
      dataset_(std::move(dataset)),
      transferSyntax_(std::move(transferSyntax)) {}

StoreWorkOutcome StoreThread::Run() {
  StoreWorkOutcome outcome;
  outcome.status = kStatusOutOfResources;
  outcome.transferSyntax = transferSyntax_;
  outcome.sopClassUID = GetStoreUID(dataset_, tag::kSOPClassUID);
  outcome.sopInstanceUID = GetStoreUID(dataset_, tag::kSOPInstanceUID);
  const std::string studyUID = GetStoreUID(dataset_, tag::kStudyInstanceUID);
  const std::string seriesUID = GetStoreUID(dataset_, tag::kSeriesInstanceUID);
  const std::string objectFolder = storageFolder_ + studyUID + "/" + seriesUID;
  outcome.filePath =
      objectFolder + "/" + outcome.sopInstanceUID + std::string(kStoredFileExtension);

  // Without a SOP Instance UID every such object would land on the one file ".dcm".
  if (outcome.sopInstanceUID.empty() || !IsSafeStoreName(studyUID) || !IsSafeStoreName(seriesUID) ||
      !IsSafeStoreName(outcome.sopInstanceUID)) {
    outcome.status = kStatusCannotUnderstand;
    outcome.index = IndexResult::kUnsafeUID;
    outcome.problem = "a Study, Series or SOP Instance UID cannot name a folder or file";
    return outcome;
  }
  if (!MakeFolder(storageFolder_)) {
    outcome.problem = "the storage folder cannot be created";
    return outcome;
  }

  // Meta elements are no part of a data set on the network; the file gets its own.
  std::erase_if(dataset_, [](const TagRecord& record) { return record.group == kMetaGroup; });
  TagList meta;
  BuildMetaHeader(meta, outcome.sopClassUID, outcome.sopInstanceUID, transferSyntax_);
  const DatasetEncoding encoding = EncodingOfTransferSyntax(transferSyntax_);
  const std::string staging = StagingPath(storageFolder_);
  if (!WriteDicomFile(staging, &meta, dataset_, encoding.explicitVR, encoding.Order())) {
    outcome.problem = "the file cannot be written";
    return outcome;
  }

  std::lock_guard lock(StoreLock());
  outcome.index = UpdateDatabaseIndex(outcome.filePath, storageFolder_, dataset_);
  if (!IndexSucceeded(outcome.index)) {
    ::unlink(staging.c_str());
    outcome.problem = std::string(IndexResultText(outcome.index));
    return outcome;
  }
  outcome.replaced = outcome.index == IndexResult::kAlreadyStored;
  MakeFolder(objectFolder);
  if (::rename(staging.c_str(), outcome.filePath.c_str()) != 0) {
    ::unlink(staging.c_str());
    // A folder on another file system cannot take a renamed file: write it in place.
    if (!WriteDicomFile(outcome.filePath, &meta, dataset_, encoding.explicitVR, encoding.Order())) {
      outcome.problem = "the file cannot be written";
      return outcome;
    }
  }
  outcome.status = kStatusSuccess;
  return outcome;
}

}  // namespace norvane
