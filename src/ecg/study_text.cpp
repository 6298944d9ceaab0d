#include "ecg/study_text.hpp"

namespace norvane {

std::string FormatStudyDate(std::string_view studyDate) {
  if (studyDate.size() < 8) return std::string(studyDate);
  std::string text;
  text.append(studyDate.substr(6, 2)).append("/");
  text.append(studyDate.substr(4, 2)).append("/");
  text.append(studyDate.substr(0, 4));
  return text;
}

std::string FormatStudyTime(std::string_view studyTime) {
  studyTime = studyTime.substr(0, 6);
  std::string text;
  for (size_t i = 0; i < studyTime.size(); i += 2) {
    if (i > 0) text += ':';
    text.append(studyTime.substr(i, 2));
  }
  return text;
}

}  // namespace norvane
