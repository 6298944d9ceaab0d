#include "platform/loaded_file.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/large_pages.hpp"

namespace norvane {
namespace {

// Load reads at least this far ahead of what it is asked for: far enough for the headers
// of a data set in one read, short enough not to read a large value that follows them and
// that its reader takes straight into its storage or leaves in the file.
constexpr size_t kReadAhead = 64 * 1024;

// Reads `n` bytes at `offset` into `to`; the count read (fewer at the end of the file), or
// -1 on a read error.
ssize_t PreadFully(int fd, uint8_t* to, size_t n, size_t offset) {
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd, to + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace

// Anonymous pages rather than a mapping of the file itself: a file cut short by another
// process while it is read then ends early instead of faulting. Pages are only touched
// where bytes are read into them.
LoadedFile::LoadedFile(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return;
  size_ = static_cast<size_t>(info.st_size);
  if (size_ > 0) {
    void* map = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) {
      size_ = 0;
      return;
    }
    data_ = static_cast<uint8_t*>(map);
  }
  ok_ = true;
}

LoadedFile::~LoadedFile() {
  if (data_ != nullptr) ::munmap(data_, size_);
  if (fd_ >= 0) ::close(fd_);
}

bool LoadedFile::Load(size_t end) {
  end = std::min(end, size_);
  if (end <= loaded_) return true;
  const size_t until = std::min(size_, std::max(end, loaded_ + kReadAhead));
  const ssize_t got = PreadFully(fd_, data_ + loaded_, until - loaded_, loaded_);
  if (got < 0) return false;
  loaded_ += static_cast<size_t>(got);
  return loaded_ >= end;
}

bool LoadedFile::ReadValue(size_t offset, size_t n, std::vector<uint8_t>& into) {
  if (offset > loaded_ || n > size_ - offset) return false;
  const size_t present = std::min(n, loaded_ - offset);
  const size_t start = into.size();
  into.reserve(start + n);
  PreferLargePages(into.data() + start, n);
  into.resize(start + n);
  std::copy_n(data_ + offset, present, into.begin() + static_cast<ptrdiff_t>(start));
  const size_t rest = n - present;
  if (rest > 0) {
    const ssize_t got = PreadFully(fd_, into.data() + start + present, rest, offset + present);
    if (got < 0 || static_cast<size_t>(got) < rest) {
      into.resize(start);
      return false;
    }
  }
  loaded_ = std::max(loaded_, offset + n);
  return true;
}

bool LoadedFile::Pass(size_t offset, size_t n) {
  if (offset > loaded_ || n > size_ - offset) return false;
  loaded_ = std::max(loaded_, offset + n);
  return true;
}

// The loaded pages are not used: bytes passed over were never read into them.
bool LoadedFile::ReadAt(uint64_t offset, std::span<uint8_t> into) const {
  if (fd_ < 0) return false;
  const ssize_t got = PreadFully(fd_, into.data(), into.size(), offset);
  return got >= 0 && static_cast<size_t>(got) == into.size();
}

}  // namespace norvane
