#include "platform/date_time_format.hpp"

#include <gtest/gtest.h>

namespace norvane {
namespace {

std::tm SampleTime() {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 2;  // March
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 3;
  return t;
}

TEST(DateTimeFormat, DefaultShortDateAndLongTime) {
  EXPECT_EQ(FormatDateTime(kDefaultShortDateFormat, SampleTime()), "07/03/2026");
  EXPECT_EQ(FormatDateTime(kDefaultLongTimeFormat, SampleTime()), "09:05:03");
}

TEST(DateTimeFormat, LogFileDayFormatHasNoSeparators) {
  EXPECT_EQ(FormatDateTime("ddmmyyyy", SampleTime()), "07032026");
}

TEST(DateTimeFormat, SingleLettersAndTwoDigitYear) {
  EXPECT_EQ(FormatDateTime("d.m.yy h:n:s", SampleTime()), "7.3.26 9:5:3");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", SampleTime()), "2026-03-07");
}

TEST(DateTimeFormat, ProcessFormatChangeStaysInForce) {
  const std::string saved = ShortDateFormat();
  SetShortDateFormat("ddmmyyyy");
  EXPECT_EQ(ShortDateFormat(), "ddmmyyyy");
  EXPECT_EQ(CurrentDateText().size(), 8u);
  SetShortDateFormat(saved);
}

}  // namespace
}  // namespace norvane
