#include "dimse/dicom_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/folders.hpp"

namespace norvane {
namespace {

constexpr off_t kPreambleLength = 128;
constexpr char kDicomMarker[4] = {'D', 'I', 'C', 'M'};

}  // namespace

bool IsDicomFile(const std::string& fileName) {
  // Non-blocking, so that a FIFO or device named here cannot stall the scan; only a
  // regular file can be a DICOM file.
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  char marker[sizeof kDicomMarker] = {};
  const bool found =
      ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      ::pread(fd, marker, sizeof marker, kPreambleLength) == static_cast<ssize_t>(sizeof marker) &&
      std::memcmp(marker, kDicomMarker, sizeof marker) == 0;
  ::close(fd);
  return found;
}

void ListDicomFiles(const std::string& folder, std::vector<std::string>& names) {
  const std::string prefix = WithTrailingSeparator(folder);
  std::error_code error;
  std::vector<std::string> found;
  // Error-code iteration: a folder that vanishes or turns unreadable mid-scan ends the
  // listing instead of throwing.
  for (std::filesystem::directory_iterator entry(prefix, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code statError;
    if (!entry->is_regular_file(statError)) continue;
    std::string path = prefix + entry->path().filename().string();
    if (IsDicomFile(path)) found.push_back(std::move(path));
  }
  std::sort(found.begin(), found.end());
  names.insert(names.end(), std::make_move_iterator(found.begin()),
               std::make_move_iterator(found.end()));
}

}  // namespace norvane
