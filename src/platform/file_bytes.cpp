#include "platform/file_bytes.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace norvane {

std::optional<std::vector<uint8_t>> LoadFileBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::vector<uint8_t>> result;
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    bool failed = false;
    while (done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        // A file that shrank while being read is taken as it ended.
        failed = n < 0;
        bytes.resize(done);
        break;
      }
      done += static_cast<size_t>(n);
    }
    if (!failed) result = std::move(bytes);
  }
  ::close(fd);
  return result;
}

}  // namespace norvane
