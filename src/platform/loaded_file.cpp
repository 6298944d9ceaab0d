#include "platform/loaded_file.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/large_pages.hpp"

namespace norvane {

// Anonymous pages rather than a mapping of the file itself: a file cut short by another
// process while it is read then ends early instead of faulting.
LoadedFile::LoadedFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return;
  }
  const auto size = static_cast<size_t>(info.st_size);
  if (size > 0) {
    void* map = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) {
      ::close(fd);
      return;
    }
    data_ = static_cast<uint8_t*>(map);
    mapped_ = size;
    PreferLargePages(map, size);
  }
  bool failed = false;
  while (size_ < mapped_) {
    const ssize_t n = ::read(fd, data_ + size_, mapped_ - size_);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed = n < 0;
      break;
    }
    size_ += static_cast<size_t>(n);
  }
  ::close(fd);
  ok_ = !failed;
}

LoadedFile::~LoadedFile() {
  if (data_ != nullptr) ::munmap(data_, mapped_);
}

void LoadedFile::Release(std::span<const uint8_t> part) const {
  if (data_ == nullptr || part.empty()) return;
  const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<uintptr_t>(part.data());
  const uintptr_t first = (begin + page - 1) / page * page;
  const uintptr_t last = (begin + part.size()) / page * page;
  if (first >= last) return;
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

}  // namespace norvane
