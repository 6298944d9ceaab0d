#include "database/key_matching.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <string_view>

namespace norvane {
namespace {

struct MatchCase {
  const char* vr;
  const char* key;
  const char* value;
  bool matches;
};

// What ctest and failures show of a case.
void PrintTo(const MatchCase& c, std::ostream* out) {
  *out << c.vr << " key '" << c.key << "' value '" << c.value << "'";
}

class KeyMatching : public ::testing::TestWithParam<MatchCase> {};

// "PN_Doe_matches_Doe_John_7": the VR, the key and the value with every character that
// cannot stand in a test name as '_', the answer, and the case's place for uniqueness.
std::string CaseName(const ::testing::TestParamInfo<MatchCase>& info) {
  const auto word = [](std::string_view text) {
    std::string out;
    for (const char c : text)
      out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return out.empty() ? std::string("empty") : out;
  };
  const MatchCase& c = info.param;
  return std::string(c.vr) + "_" + word(c.key) + (c.matches ? "_matches_" : "_misses_") +
         word(c.value) + "_" + std::to_string(info.index);
}

TEST_P(KeyMatching, AnswersAsTheMatchingRulesSay) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(MatchesKey(c.vr, c.key, c.value), c.matches)
      << c.vr << " key '" << c.key << "' value '" << c.value << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyMatching,
    ::testing::Values(
        // universal matching, an empty value included
        MatchCase{"PN", "", "Doe^John", true}, MatchCase{"PN", "*", "", true},
        MatchCase{"LO", "  ", "", true}, MatchCase{"LO", "X", "", false},
        // single values: exact, case counts, pads do not
        MatchCase{"LO", "PID-0042", "PID-0042 ", true},
        MatchCase{"PN", "doe^john", "Doe^John", false}, MatchCase{"CS", "CT", "MR", false},
        // wildcards
        MatchCase{"PN", "Doe*", "Doe^John", true}, MatchCase{"PN", "*John", "Doe^John", true},
        MatchCase{"PN", "D?e^*", "Doe^John", true}, MatchCase{"PN", "D?e", "Doe^John", false},
        MatchCase{"PN", "*o*o*", "Doe^John", true}, MatchCase{"PN", "*x*", "Doe^John", false},
        MatchCase{"SH", "A??", "ACC", true}, MatchCase{"SH", "A??", "ACCT", false},
        MatchCase{"SH", "**C", "ACC", true}, MatchCase{"IS", "1*", "12", false},
        MatchCase{"IS", "1*", "1*", true},
        // values of several values
        MatchCase{"CS", "CT", "MR\\CT", true}, MatchCase{"CS", "C*", "MR\\CT", true},
        MatchCase{"CS", "PT", "MR\\CT", false},
        // UID lists: no wildcards
        MatchCase{"UI", "1.2.3", "1.2.3", true}, MatchCase{"UI", "1.2\\1.2.3", "1.2.3", true},
        MatchCase{"UI", "1.2\\1.4", "1.2.3", false}, MatchCase{"UI", "1.2.*", "1.2.3", false},
        // dates
        MatchCase{"DA", "20240131", "20240131", true},
        MatchCase{"DA", "20240131", "20240201", false},
        MatchCase{"DA", "20240101-20240131", "20240131", true},
        MatchCase{"DA", "20240101-20240131", "20240201", false},
        MatchCase{"DA", "20240201-", "20240201", true},
        MatchCase{"DA", "20240202-", "20240201", false},
        MatchCase{"DA", "-20240131", "19991231", true}, MatchCase{"DA", "-2023", "20240101", false},
        MatchCase{"DA", "2024.01.01-2024.01.31", "20240115", true},
        MatchCase{"DA", "20240101-", "", false},
        // times: a partial upper end reaches to the end of its last part
        MatchCase{"TM", "093015.123", "093015.123", true},
        MatchCase{"TM", "0930-0931", "093100.5", true}, MatchCase{"TM", "-09", "095959.999", true},
        MatchCase{"TM", "10-", "095959", false}, MatchCase{"TM", "09:30-10:00", "0945", true},
        MatchCase{"TM", "0930", "093000", true},
        // date and time
        MatchCase{"DT", "20240131-20240201", "20240201235959", true},
        MatchCase{"DT", "20240131-20240201", "20240202", false}),
    CaseName);

}  // namespace
}  // namespace norvane
