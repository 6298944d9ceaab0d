#include "platform/folders.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace norvane {

bool DirectoryExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ForceDirectories(const std::string& path) {
  std::string target = path;
  while (target.size() > 1 && target.back() == '/')
    target.pop_back();
  if (target.size() < 3 || DirectoryExists(target)) return true;
  const size_t slash = target.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !ForceDirectories(target.substr(0, slash))) {
    return false;
  }
  return ::mkdir(target.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(target));
}

std::string WithTrailingSeparator(const std::string& path) {
  if (path.empty()) return "./";
  return path.back() == '/' ? path : path + "/";
}

std::string CurrentDirectory() {
  char path[PATH_MAX];
  if (::getcwd(path, sizeof path) == nullptr) return "./";
  return WithTrailingSeparator(path);
}

}  // namespace norvane
