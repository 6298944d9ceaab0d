#include "platform/date_time_format.hpp"

#include <cstdio>
#include <mutex>

namespace norvane {
namespace {

struct Formats {
  std::mutex mutex;
  std::string shortDate{kDefaultShortDateFormat};
  std::string longTime{kDefaultLongTimeFormat};
};

Formats& ProcessFormats() {
  static Formats formats;
  return formats;
}

size_t RunLength(std::string_view text, size_t pos) {
  size_t n = 1;
  while (pos + n < text.size() && (text[pos + n] | 0x20) == (text[pos] | 0x20))
    ++n;
  return n;
}

void AppendNumber(std::string& out, int value, int width) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%0*d", width, value);
  out += digits;
}

}  // namespace

void SetShortDateFormat(std::string_view format) {
  std::lock_guard lock(ProcessFormats().mutex);
  ProcessFormats().shortDate = format;
}

void SetLongTimeFormat(std::string_view format) {
  std::lock_guard lock(ProcessFormats().mutex);
  ProcessFormats().longTime = format;
}

std::string ShortDateFormat() {
  std::lock_guard lock(ProcessFormats().mutex);
  return ProcessFormats().shortDate;
}

std::string LongTimeFormat() {
  std::lock_guard lock(ProcessFormats().mutex);
  return ProcessFormats().longTime;
}

std::string FormatDateTime(std::string_view format, const std::tm& when) {
  std::string out;
  size_t pos = 0;
  while (pos < format.size()) {
    const char letter = static_cast<char>(format[pos] | 0x20);
    const size_t run = RunLength(format, pos);
    switch (letter) {
      case 'd':
        AppendNumber(out, when.tm_mday, run >= 2 ? 2 : 1);
        pos += run >= 2 ? 2 : 1;
        break;
      case 'm':
        AppendNumber(out, when.tm_mon + 1, run >= 2 ? 2 : 1);
        pos += run >= 2 ? 2 : 1;
        break;
      case 'y':
        if (run >= 4) {
          AppendNumber(out, when.tm_year + 1900, 4);
          pos += 4;
        } else {
          AppendNumber(out, (when.tm_year + 1900) % 100, 2);
          pos += run >= 2 ? 2 : 1;
        }
        break;
      case 'h':
        AppendNumber(out, when.tm_hour, run >= 2 ? 2 : 1);
        pos += run >= 2 ? 2 : 1;
        break;
      case 'n':
        AppendNumber(out, when.tm_min, run >= 2 ? 2 : 1);
        pos += run >= 2 ? 2 : 1;
        break;
      case 's':
        AppendNumber(out, when.tm_sec, run >= 2 ? 2 : 1);
        pos += run >= 2 ? 2 : 1;
        break;
      default:
        out += format[pos];
        ++pos;
        break;
    }
  }
  return out;
}

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

std::string CurrentDateText() {
  return FormatDateTime(ShortDateFormat(), LocalTimeNow());
}

std::string CurrentDateTimeText() {
  const std::tm now = LocalTimeNow();
  return FormatDateTime(ShortDateFormat(), now) + " " + FormatDateTime(LongTimeFormat(), now);
}

}  // namespace norvane
