#include "scp/staging_file.hpp"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string_view>

#include "platform/folders.hpp"

namespace norvane {
namespace {

constexpr std::string_view kStagingPrefix = ".incoming-";

std::atomic<unsigned> stagingCounter{0};

// The process id a passing file's name carries; 0 when the name is not one.
pid_t OwnerOf(std::string_view name) {
  if (!name.starts_with(kStagingPrefix)) return 0;
  name.remove_prefix(kStagingPrefix.size());
  long pid = 0;
  size_t digits = 0;
  while (digits < name.size() && digits < 10 && name[digits] >= '0' && name[digits] <= '9') {
    pid = pid * 10 + (name[digits] - '0');
    ++digits;
  }
  if (digits == 0 || digits == name.size() || name[digits] != '-') return 0;
  return static_cast<pid_t>(pid);
}

bool ProcessRuns(pid_t pid) {
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

std::string StagingPath(const std::string& storageFolder) {
  char name[64];
  std::snprintf(name, sizeof name, "%.*s%ld-%u.dcm", static_cast<int>(kStagingPrefix.size()),
                kStagingPrefix.data(), static_cast<long>(::getpid()), stagingCounter.fetch_add(1));
  return WithTrailingSeparator(storageFolder) + name;
}

int RemoveStagingLeftovers(const std::string& storageFolder) {
  const std::string folder = WithTrailingSeparator(storageFolder);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t owner = OwnerOf(entry->d_name);
    // This process's own files may belong to a store in progress on another listener.
    if (owner <= 0 || owner == ::getpid() || ProcessRuns(owner)) continue;
    if (::unlink((folder + entry->d_name).c_str()) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace norvane
