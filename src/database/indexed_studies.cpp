#include "database/indexed_studies.hpp"

#include <sys/stat.h>

#include <map>
#include <unordered_set>

#include "database/index_file.hpp"
#include "database/index_record.hpp"

namespace norvane {
namespace {

// What identifies one state of a file: a change by anyone but this process shows here.
struct FileState {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{};

  bool operator==(const FileState& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

// A missing or unreadable file has the state of no file.
FileState StateOf(const std::string& path) {
  FileState state;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return state;
  state.device = info.st_dev;
  state.inode = info.st_ino;
  state.size = info.st_size;
  state.modified = info.st_mtim;
  return state;
}

struct StudyLines {
  FileState state;
  std::unordered_set<std::string> uids;
};

std::map<std::string, StudyLines>& Cache() {
  static std::map<std::string, StudyLines> cache;
  return cache;
}

StudyLines& Current(const std::string& path) {
  StudyLines& entry = Cache()[path];
  const FileState state = StateOf(path);
  if (entry.state == state && state.size >= 0) return entry;
  entry.state = state;
  entry.uids.clear();
  if (const auto lines = ReadIndexLines(path)) {
    for (const std::string& line : *lines)
      entry.uids.insert(GetField(line, kIndexFieldSeparator, 1));
  }
  return entry;
}

}  // namespace

bool StudyIsIndexed(const std::string& studyIndexPath, const std::string& studyUID) {
  return Current(studyIndexPath).uids.contains(studyUID);
}

void NoteStudyIndexed(const std::string& studyIndexPath, const std::string& studyUID,
                      size_t appendedBytes) {
  StudyLines& entry = Cache()[studyIndexPath];
  const FileState before = entry.state;
  const FileState after = StateOf(studyIndexPath);
  // Only this append changed the file: the set stays good without reading it again.
  const auto appended = static_cast<off_t>(appendedBytes);
  const bool created = before.size < 0 && after.size == appended;
  const bool grown = before.size >= 0 && after.device == before.device &&
                     after.inode == before.inode && after.size == before.size + appended;
  if (created || grown) {
    entry.state = after;
    entry.uids.insert(studyUID);
    return;
  }
  entry.state = FileState{};  // read again at the next look
}

}  // namespace norvane
