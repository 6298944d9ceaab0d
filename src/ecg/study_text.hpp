#pragma once

// The study date and time as the chart's header shows them.

#include <string>
#include <string_view>

namespace norvane {

// "20130125" gives "25/01/2013" (the first eight characters are read as year, month and
// day). A shorter value is shown as it stands; an empty one gives "".
std::string FormatStudyDate(std::string_view studyDate);

// "105919.123" gives "10:59:19" (the first six characters are read as hours, minutes and
// seconds). A shorter value shows the pairs it has: "1059" gives "10:59".
std::string FormatStudyTime(std::string_view studyTime);

}  // namespace norvane
