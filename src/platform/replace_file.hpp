#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace norvane {

// Writes a file by way of a temporary file in the same folder that is renamed over the
// target only when everything was written, so that a failed write leaves an existing
// file as it was. A replaced file keeps its permission bits; a new one gets the usual
// 0666 less the process's umask. A symbolic link is followed, so the file it points to is
// replaced and the link stays. Without Commit the temporary file is removed.
class FileReplacement {
 public:
  explicit FileReplacement(std::string target);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Creates the temporary file; false when the target's folder does not allow it.
  bool Open();
  // Appends bytes; false once any write has failed.
  bool Write(std::span<const uint8_t> bytes);
  // Flushes, closes and renames the temporary file over the target.
  bool Commit();

  const std::string& target() const { return target_; }

 private:
  bool Flush();
  void Discard();

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  bool failed_ = false;
  std::vector<uint8_t> buffer_;
};

}  // namespace norvane
