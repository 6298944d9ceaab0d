#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace norvane {

// Process-wide date and time text formats, in the pattern letters operators know from
// regional settings: d/dd day, m/mm month, yy/yyyy year, h/hh hour, n/nn minute,
// s/ss second; every other character is copied as it stands.
inline constexpr std::string_view kDefaultShortDateFormat = "dd/mm/yyyy";
inline constexpr std::string_view kDefaultLongTimeFormat = "hh:nn:ss";

void SetShortDateFormat(std::string_view format);
void SetLongTimeFormat(std::string_view format);
std::string ShortDateFormat();
std::string LongTimeFormat();

// Formats a broken-down local time with one of the patterns above.
std::string FormatDateTime(std::string_view format, const std::tm& when);

// The current local date in the short-date format, one blank, and the current local time
// in the long-time format: the stamp of log lines and index records.
std::string CurrentDateTimeText();
std::string CurrentDateText();

std::tm LocalTimeNow();

}  // namespace norvane
