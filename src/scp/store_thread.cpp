#include "scp/store_thread.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "database/index_record.hpp"
#include "database/store_uid.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/element_encoding.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/transfer_syntax.hpp"
#include "dimse/dimse_command.hpp"
#include "elements/tags.hpp"
#include "platform/folders.hpp"
#include "scp/staging_file.hpp"

namespace norvane {
namespace {

// Placing and indexing of one object must not interleave with another's.
std::mutex& StoreLock() {
  static std::mutex lock;
  return lock;
}

// A folder with all its missing levels; a short relative name such as "db" is made too.
bool MakeFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return DirectoryExists(folder);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// The study and series folders of one object, made when missing and removed again when
// the object cannot be stored in them (only those made here, and only when empty).
class ObjectFolders {
 public:
  ObjectFolders(std::string study, std::string series)
      : study_(std::move(study)), series_(std::move(series)) {}

  bool Make() { return Ensure(study_, madeStudy_) && Ensure(series_, madeSeries_); }
  void RemoveMade() {
    if (madeSeries_) ::rmdir(series_.c_str());
    if (madeStudy_) ::rmdir(study_.c_str());
  }

 private:
  static bool Ensure(const std::string& folder, bool& made) {
    if (DirectoryExists(folder)) return true;
    made = MakeFolder(folder);
    return made;
  }

  std::string study_;
  std::string series_;
  bool madeStudy_ = false;
  bool madeSeries_ = false;
};

}  // namespace

StoreThread::StoreThread(std::string storageFolder, TagList dataset, std::string transferSyntax,
                         IncomingFile* incoming)
    : storageFolder_(WithTrailingSeparator(storageFolder)),
      dataset_(std::move(dataset)),
      transferSyntax_(std::move(transferSyntax)),
      incoming_(incoming) {}

StoreWorkOutcome StoreThread::Run() {
  StoreWorkOutcome outcome;
  outcome.status = kStatusOutOfResources;
  outcome.transferSyntax = transferSyntax_;
  outcome.sopClassUID = GetStoreUID(dataset_, tag::kSOPClassUID);
  outcome.sopInstanceUID = GetStoreUID(dataset_, tag::kSOPInstanceUID);
  const std::string studyUID = GetStoreUID(dataset_, tag::kStudyInstanceUID);
  const std::string seriesUID = GetStoreUID(dataset_, tag::kSeriesInstanceUID);
  const std::string studyFolder = storageFolder_ + studyUID + "/";
  const std::string seriesFolder = studyFolder + seriesUID;
  outcome.filePath =
      seriesFolder + "/" + outcome.sopInstanceUID + std::string(kStoredFileExtension);

  // Without a SOP Instance UID every such object would land on the one file ".dcm"; a cut
  // UID would put two objects into one file.
  const StoreUIDProblem uids = CheckStoreUIDs(dataset_);
  if (outcome.sopInstanceUID.empty() || uids != StoreUIDProblem::kNone) {
    outcome.status = kStatusCannotUnderstand;
    if (uids == StoreUIDProblem::kTooLong) {
      outcome.index = IndexResult::kUIDTooLong;
      outcome.problem = "a UID is longer than 64 characters";
    } else if (uids == StoreUIDProblem::kMissing || outcome.sopInstanceUID.empty()) {
      outcome.index = IndexResult::kUIDMissing;
      outcome.problem = "a Study, Series or SOP Instance UID is empty or missing";
    } else {
      outcome.index = IndexResult::kUnsafeUID;
      outcome.problem = "a Study, Series or SOP Instance UID cannot name a folder or file";
    }
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
  // Pixels received into their file lack only the records after them there; that file is
  // no use when its writing failed, and is only read from when the data set came in
  // another syntax than it was begun in.
  const bool begun = incoming_ != nullptr && incoming_->Took();
  if (begun && incoming_->Failed()) {
    outcome.problem = "the file cannot be written";
    return outcome;
  }
  const bool completing = begun && incoming_->TransferSyntax() == transferSyntax_;
  const std::string staging = completing ? incoming_->Path() : StagingPath(storageFolder_);
  if (completing
          ? !incoming_->Complete(dataset_)
          : !WriteDicomFile(staging, &meta, dataset_, encoding.explicitVR, encoding.Order())) {
    ::unlink(staging.c_str());
    outcome.problem = "the file cannot be written";
    return outcome;
  }

  // The file goes to its place first and is indexed after, so that a reader of the index
  // never meets a line for a missing file, whenever the process may be stopped.
  std::lock_guard lock(StoreLock());
  ObjectFolders folders(studyFolder, seriesFolder);
  if (!folders.Make()) {
    ::unlink(staging.c_str());
    outcome.index = IndexResult::kFolderNotCreated;
    outcome.problem = std::string(IndexResultText(outcome.index));
    return outcome;
  }
  const bool replacing = FileExists(outcome.filePath);
  if (::rename(staging.c_str(), outcome.filePath.c_str()) != 0) {
    ::unlink(staging.c_str());
    // A folder on another file system cannot take a renamed file: write it in place.
    if (!WriteDicomFile(outcome.filePath, &meta, dataset_, encoding.explicitVR, encoding.Order())) {
      folders.RemoveMade();
      outcome.problem = "the file cannot be written";
      return outcome;
    }
  }
  outcome.index = UpdateDatabaseIndex(outcome.filePath, storageFolder_, dataset_,
                                      replacing ? StoredFile::kReplaced : StoredFile::kNew);
  if (!IndexSucceeded(outcome.index)) {
    // A new file that the index does not name goes again; a replaced one was there before.
    if (!replacing) ::unlink(outcome.filePath.c_str());
    folders.RemoveMade();
    outcome.problem = std::string(IndexResultText(outcome.index));
    return outcome;
  }
  outcome.replaced = replacing;
  outcome.status = kStatusSuccess;
  return outcome;
}

}  // namespace norvane
