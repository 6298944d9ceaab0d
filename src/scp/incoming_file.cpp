#include "scp/incoming_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "database/store_uid.hpp"
#include "datadec/byte_vector_sink.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "datadec/transfer_syntax.hpp"
#include "datadec/values_in_file.hpp"
#include "elements/tags.hpp"
#include "platform/folders.hpp"
#include "platform/loaded_file.hpp"
#include "platform/write_all.hpp"
#include "scp/staging_file.hpp"

namespace norvane {
namespace {

// The records as the stored file holds them: the meta group is the file's own.
TagList WithoutMetaGroup(std::span<const TagRecord> records) {
  TagList kept;
  for (const TagRecord& record : records)
    if (record.group != kMetaGroup) kept.push_back(record);
  return kept;
}

}  // namespace

IncomingFile::IncomingFile(const std::string& storageFolder, std::string transferSyntax)
    : storageFolder_(WithTrailingSeparator(storageFolder)),
      transferSyntax_(std::move(transferSyntax)) {}

IncomingFile::~IncomingFile() {
  if (fd_ >= 0) ::close(fd_);
  // Once placed, the passing name is gone; no other object is given the same one.
  if (!path_.empty()) ::unlink(path_.c_str());
}

bool IncomingFile::Begin(std::span<const TagRecord> before, const TagRecord& header) {
  // An odd length would need a pad byte after the value; a deflated file cannot take the
  // value's bytes as they come, so its object is written whole.
  if (Took() || !header.Is(tag::kPixelData) || header.length % 2 != 0 ||
      EncodingOfTransferSyntax(transferSyntax_).deflated) {
    return false;
  }
  const TagList records = WithoutMetaGroup(before);
  const std::string sopInstanceUID = GetStoreUID(records, tag::kSOPInstanceUID);
  if (sopInstanceUID.empty() || CheckStoreUIDs(records) != StoreUIDProblem::kNone ||
      !DirectoryExists(storageFolder_)) {
    return false;
  }
  path_ = StagingPath(storageFolder_);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    path_.clear();
    return false;
  }
  TagList meta;
  BuildMetaHeader(meta, GetStoreUID(records, tag::kSOPClassUID), sopInstanceUID, transferSyntax_);
  const DatasetEncoding encoding = EncodingOfTransferSyntax(transferSyntax_);
  ByteVectorSink start;
  TagRecord pixels = header;
  pixels.value.clear();
  const std::optional<EncodedElement> pixelHeader = EncodeElement(pixels, kFileRules, encoding);
  // Taken even when the start cannot be written: the value's bytes are lost then, and the
  // store answers that the file cannot be written.
  if (!PutDicomFile(start, &meta, records, encoding) || !pixelHeader ||
      !start.Write(pixelHeader->Header())) {
    failed_ = true;
  } else {
    WriteAllOrFail(start.bytes);
  }
  valueOffset_ = start.bytes.size();
  auto file = std::make_shared<LoadedFile>(path_);
  if (file->Ok()) {
    source_ = std::make_shared<const LoadedFileValues>(std::move(file));
  } else {
    failed_ = true;
  }
  return true;
}

void IncomingFile::Write(std::span<const uint8_t> bytes) {
  WriteAllOrFail(bytes);
}

std::shared_ptr<const ValueInFile> IncomingFile::End() {
  if (failed_) return nullptr;
  return std::make_shared<const ValueInFile>(
      ValueInFile{.source = source_, .offset = valueOffset_});
}

bool IncomingFile::Complete(const TagList& dataset) {
  if (failed_ || fd_ < 0) return false;
  const auto taken = std::find_if(dataset.begin(), dataset.end(), [&](const TagRecord& record) {
    return record.inFile && record.inFile->source == source_;
  });
  if (taken == dataset.end()) return false;
  ByteVectorSink rest;
  const TagList after = WithoutMetaGroup(std::span(std::next(taken), dataset.end()));
  if (!PutElements(rest, after, kFileRules, EncodingOfTransferSyntax(transferSyntax_)))
    return false;
  const bool written = WriteAllOrFail(rest.bytes);
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  return written && closed;
}

bool IncomingFile::WriteAllOrFail(std::span<const uint8_t> bytes) {
  if (!failed_ && !WriteAll(fd_, bytes)) failed_ = true;
  return !failed_;
}

}  // namespace norvane
