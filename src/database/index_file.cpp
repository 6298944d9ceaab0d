#include "database/index_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace norvane {
namespace {

constexpr size_t kTailBlock = 4096;

// The size of the file's whole lines: just past its last line feed, 0 when it has none.
off_t WholeLinesSize(int fd, off_t size) {
  char block[kTailBlock];
  off_t end = size;
  while (end > 0) {
    const off_t start =
        end > static_cast<off_t>(kTailBlock) ? end - static_cast<off_t>(kTailBlock) : 0;
    const ssize_t n = ::pread(fd, block, static_cast<size_t>(end - start), start);
    if (n != end - start) return size;  // unreadable: left as it is
    for (ssize_t i = n; i > 0; --i) {
      if (block[i - 1] == '\n') return start + i;
    }
    end = start;
  }
  return 0;
}

// A line cut short by a crash while it was appended would glue itself to the next record:
// the fragment is dropped before anything is added.
void DropBrokenLastLine(int fd, struct stat& info) {
  if (info.st_size <= 0) return;
  char last = 0;
  if (::pread(fd, &last, 1, info.st_size - 1) != 1 || last == '\n') return;
  const off_t whole = WholeLinesSize(fd, info.st_size);
  if (whole < info.st_size && ::ftruncate(fd, whole) == 0) info.st_size = whole;
}

}  // namespace

bool AppendIndexLine(const std::string& path, std::string_view line) {
  const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat before {};
  const bool regular = ::fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
  if (regular) DropBrokenLastLine(fd, before);
  size_t written = 0;
  while (written < line.size()) {
    const ssize_t n = ::write(fd, line.data() + written, line.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  bool whole = written == line.size();
  if (!whole && written > 0 && regular) {
    // Best effort: a file that cannot be cut back keeps the fragment, and the caller
    // still learns of the failure.
    (void)::ftruncate(fd, before.st_size);
  }
  if (::close(fd) != 0) whole = false;
  return whole;
}

std::optional<std::vector<std::string>> ReadIndexLines(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text, start, stop - start);
    start = end + 1;
  }
  return lines;
}

}  // namespace norvane
