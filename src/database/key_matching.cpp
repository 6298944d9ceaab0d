#include "database/key_matching.hpp"

#include <optional>
#include <string>

#include "elements/record_values.hpp"

namespace norvane {
namespace {

constexpr char kValueSeparator = '\\';
constexpr char kRangeSeparator = '-';

// '*' runs over any characters, '?' over one; the last '*' seen is where a mismatch resumes,
// so a key is matched in one pass per restart and never by recursion.
bool WildcardMatches(std::string_view key, std::string_view value) {
  size_t k = 0;
  size_t v = 0;
  size_t starKey = std::string_view::npos;
  size_t starValue = 0;
  while (v < value.size()) {
    if (k < key.size() && (key[k] == '?' || key[k] == value[v])) {
      ++k;
      ++v;
    } else if (k < key.size() && key[k] == '*') {
      starKey = k++;
      starValue = v;
    } else if (starKey != std::string_view::npos) {
      k = starKey + 1;
      v = ++starValue;
    } else {
      return false;
    }
  }
  while (k < key.size() && key[k] == '*')
    ++k;
  return k == key.size();
}

// The earliest and latest point a date, time or date-time text stands for, written out
// in full so that texts compare as points in time.
struct TimeForm {
  std::string_view earliest;
  std::string_view latest;
  bool dotsSeparate = false;  // a date's old form "2024.01.31"
};

std::optional<TimeForm> TimeFormOf(std::string_view vr) {
  if (vr == "DA") return TimeForm{"00000101", "99991231", true};
  if (vr == "TM") return TimeForm{"000000.000000", "235959.999999"};
  if (vr == "DT") return TimeForm{"00000101000000.000000", "99991231235959.999999"};
  return std::nullopt;
}

// The text without the separators of the old forms ("2024.01.31", "10:30:00"), completed
// from `filler` where it stops short and cut to the form's length.
std::string FullTime(std::string_view text, const TimeForm& form, std::string_view filler) {
  std::string full;
  for (char c : text) {
    if (c != ':' && !(form.dotsSeparate && c == '.')) full += c;
  }
  if (full.size() < filler.size()) full += filler.substr(full.size());
  full.resize(filler.size());
  return full;
}

bool TimeMatches(const TimeForm& form, std::string_view key, std::string_view value) {
  const std::string point = FullTime(value, form, form.earliest);
  const size_t dash = key.find(kRangeSeparator);
  if (dash == std::string_view::npos) return point == FullTime(key, form, form.earliest);
  const std::string_view from = TrimmedText(key.substr(0, dash));
  const std::string_view to = TrimmedText(key.substr(dash + 1));
  if (!from.empty() && point < FullTime(from, form, form.earliest)) return false;
  if (!to.empty() && point > FullTime(to, form, form.latest)) return false;
  return true;
}

// The VRs whose keys may hold wildcards; in any other a '*' or '?' is itself.
bool TakesWildcards(std::string_view vr) {
  for (std::string_view text : {"AE", "CS", "LO", "LT", "PN", "SH", "ST", "UC", "UR", "UT"}) {
    if (vr == text) return true;
  }
  return false;
}

bool SingleValueMatches(std::string_view vr, std::string_view key, std::string_view value) {
  if (const auto form = TimeFormOf(vr)) return TimeMatches(*form, key, value);
  if (TakesWildcards(vr) && key.find_first_of("*?") != std::string_view::npos) {
    return WildcardMatches(key, value);
  }
  return key == value;
}

}  // namespace

bool MatchesKey(std::string_view vr, std::string_view key, std::string_view value) {
  key = TrimmedText(key);
  value = TrimmedText(value);
  if (key.empty() || key == "*") return true;
  if (value.empty()) return false;
  if (vr == "UI") {
    for (size_t start = 0;;) {
      const size_t end = key.find(kValueSeparator, start);
      if (TrimmedText(key.substr(start, end - start)) == value) return true;
      if (end == std::string_view::npos) return false;
      start = end + 1;
    }
  }
  if (SingleValueMatches(vr, key, value)) return true;
  if (value.find(kValueSeparator) == std::string_view::npos) return false;
  for (size_t start = 0;;) {
    const size_t end = value.find(kValueSeparator, start);
    if (SingleValueMatches(vr, key, TrimmedText(value.substr(start, end - start)))) return true;
    if (end == std::string_view::npos) return false;
    start = end + 1;
  }
}

}  // namespace norvane
