#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace norvane {

// The content of a regular file read into memory of its own, for readers that copy parts
// of it out: a part copied out may be released, so that a large file does not count twice
// in memory while it is read into records. A file that shrinks while it is read is taken as
// it ended.
class LoadedFile {
 public:
  // Ok is false when the file cannot be opened, is not a regular file, or a read fails.
  explicit LoadedFile(const std::string& path);
  ~LoadedFile();
  LoadedFile(const LoadedFile&) = delete;
  LoadedFile& operator=(const LoadedFile&) = delete;

  bool Ok() const { return ok_; }
  std::span<const uint8_t> Bytes() const { return {data_, size_}; }
  // Gives the whole pages inside `part` (a part of Bytes, no longer needed) back to the
  // system; they read as zero bytes afterwards.
  void Release(std::span<const uint8_t> part) const;

 private:
  uint8_t* data_ = nullptr;
  size_t mapped_ = 0;
  size_t size_ = 0;
  bool ok_ = false;
};

}  // namespace norvane
