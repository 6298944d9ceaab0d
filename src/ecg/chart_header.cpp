#include "ecg/chart_header.hpp"

#include "dictionary/windows1252.hpp"

namespace norvane {
namespace {

const CanvasFont kAddressFont{"Tahoma", 18, true};
constexpr int kAddressTop = 5;

std::string DisplayText(const TStudy& study, std::string_view text) {
  if (study.specificCharacterSet.find("ISO_IR 192") != std::string::npos) {
    return ValidUtf8(text);
  }
  return Windows1252ToUtf8(text);
}

}  // namespace

std::vector<HeaderText> ChartHeaderTexts(const TStudy& study) {
  const CanvasFont bold{"Tahoma", 10, true};
  std::vector<HeaderText> lines;
  lines.push_back({kAddressFont, 0, kAddressTop, true, std::string(kMakerWebAddress)});
  lines.push_back({bold, 10, 10, false, study.studyDate + " " + study.studyTime});
  lines.push_back({bold, 30, 30, false, "Name: " + DisplayText(study, study.patientName)});
  lines.push_back({bold, 30, 50, false, "ID: " + DisplayText(study, study.patientId)});
  lines.push_back({bold, 30, 70, false, "DOB: " + DisplayText(study, study.patientBirthDate)});
  lines.push_back({bold, 30, 90, false, "Sex: " + DisplayText(study, study.patientSex)});
  lines.push_back({bold, 150, 80, false, "200 mS/div"});
  return lines;
}

void DrawChartHeader(RasterCanvas& canvas, const TStudy& study, int width) {
  canvas.SetTextColour({0, 0, 0});
  for (const HeaderText& line : ChartHeaderTexts(study)) {
    canvas.SetFont(line.font);
    const int x = line.centred ? (width - canvas.TextWidth(line.text)) / 2 : line.x;
    canvas.Text(x, line.y, line.text);
  }
}

}  // namespace norvane
