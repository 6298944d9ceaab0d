#include "platform/replace_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/write_all.hpp"

namespace norvane {
namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr int kNameAttempts = 100;

std::atomic<unsigned> temporaryCounter{0};

}  // namespace

FileReplacement::FileReplacement(std::string target) : target_(std::move(target)) {}

FileReplacement::~FileReplacement() {
  Discard();
}

bool FileReplacement::Open() {
  if (fd_ >= 0) return true;
  // A symbolic link stays a link: the file it points to is the one replaced.
  struct stat link;
  if (::lstat(target_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(target_.c_str(), resolved) != nullptr) target_ = resolved;
  }
  const size_t slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u", static_cast<long>(::getpid()),
                  temporaryCounter.fetch_add(1));
    std::string name = target_ + suffix;
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == ENAMETOOLONG) {
      // The target's name leaves no room for a suffix: a short name in the same folder.
      name = folder + ".norvane" + suffix;
      fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd >= 0) {
      fd_ = fd;
      temporary_ = std::move(name);
      failed_ = false;
      buffer_.reserve(kBufferSize);
      struct stat existing;
      if (::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(fd_, existing.st_mode & 07777);
      }
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool FileReplacement::Flush() {
  if (failed_ || fd_ < 0) return false;
  if (!buffer_.empty() && !WriteAll(fd_, buffer_)) failed_ = true;
  buffer_.clear();
  return !failed_;
}

bool FileReplacement::Write(std::span<const uint8_t> bytes) {
  if (failed_ || fd_ < 0) return false;
  if (buffer_.size() + bytes.size() <= kBufferSize) {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return true;
  }
  if (!Flush()) return false;
  if (bytes.size() >= kBufferSize) {
    // Large values (pixel data) go to the file without a copy.
    if (!WriteAll(fd_, bytes)) failed_ = true;
    return !failed_;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  return true;
}

bool FileReplacement::Commit() {
  if (!Flush()) {
    Discard();
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  temporary_.clear();
  return true;
}

void FileReplacement::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
  buffer_.clear();
}

}  // namespace norvane
