#include "log/log.hpp"

#include <cstdio>
#include <memory>
#include <mutex>

#include "platform/c_file.hpp"
#include "platform/date_time_format.hpp"

namespace norvane {
namespace {

constexpr size_t kDumpCap = 256;

struct LogState {
  std::mutex mutex;  // one writer at a time: lines and dump blocks never interleave
  int level = 0;
  std::string path;
  std::string windowClass;
  LogForwarder forwarder;
};

LogState& State() {
  static LogState state;
  return state;
}

}  // namespace

void SetLOG(std::string_view path, int level) {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  s.level = level;
  if (!path.empty()) s.path = std::string(path);
  s.windowClass = kLogWindowClass;
}

int LogLevel() {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  return s.level;
}

std::string LogFilePath() {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  return s.path;
}

void SetLogForwarder(LogForwarder forwarder) {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  s.forwarder = std::move(forwarder);
}

void WriteLog(std::string_view text) {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  if (!s.path.empty()) {
    CFile file = OpenCFile(s.path.c_str(), "a");
    if (file) {
      const std::string stamp = CurrentDateTimeText();
      std::fprintf(file.get(), "%s, %.*s\n", stamp.c_str(), static_cast<int>(text.size()),
                   text.data());
    }
  }
  // The forwarder stands in for the listening window; it also serves a console with no
  // log file, so it does not depend on the file write.
  if (s.forwarder) s.forwarder(text);
}

void DumpTraffic(const uint8_t* data, size_t length, bool sending) {
  LogState& s = State();
  std::lock_guard lock(s.mutex);
  if (s.path.empty()) return;
  CFile file = OpenCFile(s.path.c_str(), "ab");
  if (!file) return;
  char head[32];
  const int n =
      std::snprintf(head, sizeof head, sending ? "%6d >> " : "%6d << ", static_cast<int>(length));
  std::fwrite(head, 1, static_cast<size_t>(n < 10 ? n : 10), file.get());
  const size_t shown = length > kDumpCap ? kDumpCap : length;
  const bool more = length > kDumpCap;
  std::string line;
  line.reserve(shown * 3 + 32);
  for (size_t i = 0; i < shown; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", data[i]);
    line += hex;
  }
  if (more) line += " [MORE DATA...]";
  line += "\r\n";
  for (size_t i = 0; i < shown; ++i) {
    line += (data[i] >= 32 && data[i] <= 122) ? static_cast<char>(data[i]) : '.';
  }
  if (more) line += " [MORE DATA...]";
  line += "\r\n\r\n";
  std::fwrite(line.data(), 1, line.size(), file.get());
}

}  // namespace norvane
