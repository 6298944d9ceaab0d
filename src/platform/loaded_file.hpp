#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace norvane {

// A regular file read into memory of its own as a reader asks for it, front to back. The
// reader sees the whole file's size from the start (Bytes), makes sure of the bytes it is
// about to look at (Load), and may take a large value straight from the file into its own
// storage (ReadValue), so that such a value is never held twice: not in these pages and its
// storage at once.
class LoadedFile {
 public:
  // Ok is false when the file cannot be opened, is not a regular file, or cannot be given
  // memory.
  explicit LoadedFile(const std::string& path);
  ~LoadedFile();
  LoadedFile(const LoadedFile&) = delete;
  LoadedFile& operator=(const LoadedFile&) = delete;

  bool Ok() const { return ok_; }
  // Every byte of the file; only those up to what Load made sure of hold its content.
  std::span<const uint8_t> Bytes() const { return {data_, size_}; }
  // Makes sure that the bytes before `end` (at most the size) are read, reading ahead in
  // large steps. False when the file ends sooner (it shrank while being read): then
  // Loaded() tells how far it goes.
  bool Load(size_t end);
  size_t Loaded() const { return loaded_; }
  // Appends `n` bytes of the file from `offset` (at or before Loaded(), and n at most the
  // size less the offset) to `into`: those already loaded are copied, the rest read
  // straight into `into`; Load continues after them. False when the file ends sooner.
  bool ReadValue(size_t offset, size_t n, std::vector<uint8_t>& into);
  // Passes over `n` bytes from `offset` (at or before Loaded(), n at most the size less the
  // offset) without reading them: Load continues after them, and they are read later, if
  // at all, with ReadAt.
  bool Pass(size_t offset, size_t n);
  // Reads into.size() bytes of the file from `offset` as it is now, straight from the file;
  // false when it ends sooner or cannot be read.
  bool ReadAt(uint64_t offset, std::span<uint8_t> into) const;

 private:
  int fd_ = -1;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t loaded_ = 0;
  bool ok_ = false;
};

}  // namespace norvane
