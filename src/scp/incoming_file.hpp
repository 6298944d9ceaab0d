#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "elements/tag_record.hpp"
#include "elements/value_source.hpp"
#include "net/received_value_sink.hpp"

namespace norvane {

// The file a received object goes into while its data set arrives. When its first large
// native Pixel Data value starts (of even length), the file is begun under a passing name
// (StagingPath): preamble, meta header and the records before the value, as the store
// writes them; the value's bytes follow straight from the network, and Complete adds the
// records after it. So an image is never held in memory whole, nor written after its last
// byte came. An object whose pixels are declined (none, UIDs the store refuses, no storage
// folder yet) is written whole as before. The passing file is removed with this.
class IncomingFile final : public ReceivedValueSink {
 public:
  IncomingFile(const std::string& storageFolder, std::string transferSyntax);
  ~IncomingFile() override;

  bool Begin(std::span<const TagRecord> before, const TagRecord& header) override;
  void Write(std::span<const uint8_t> bytes) override;
  std::shared_ptr<const ValueInFile> End() override;

  // Begin took a value; its bytes are in the file unless Failed.
  bool Took() const { return !path_.empty(); }
  // A write into the file failed: the value's bytes are lost.
  bool Failed() const { return failed_; }
  const std::string& Path() const { return path_; }
  const std::string& TransferSyntax() const { return transferSyntax_; }
  // Appends the records of `dataset` after the value taken (group 0002 left out) and
  // closes the file; false when that value is not in the data set or a write fails.
  bool Complete(const TagList& dataset);

 private:
  bool WriteAllOrFail(std::span<const uint8_t> bytes);

  std::string storageFolder_;
  std::string transferSyntax_;
  // Set once a value is taken.
  std::string path_;
  int fd_ = -1;
  bool failed_ = false;
  uint64_t valueOffset_ = 0;
  std::shared_ptr<const ValueSource> source_;
};

}  // namespace norvane
