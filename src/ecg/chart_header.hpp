#pragma once

// The header of the chart: the maker's web address and the patient and study data.

#include <string>
#include <string_view>
#include <vector>

#include "ecg/ecg_records.hpp"
#include "platform/raster_canvas.hpp"

namespace norvane {

inline constexpr std::string_view kMakerWebAddress = "www.velmorasoft.com";

// One line of header text, UTF-8, its character cell's top left corner at x, y (centred
// lines are placed across the bitmap's width when drawn, top at y).
struct HeaderText {
  CanvasFont font;
  int x = 0;
  int y = 0;
  bool centred = false;
  std::string text;
};

// In drawing order: the web address (bold 18 points, centred, top at 5); then, bold 10
// points, date + " " + time at 10,10, "Name: " at 30,30, "ID: " at 30,50, "DOB: " (the
// birth date as stored) at 30,70, "Sex: " at 30,90 and "200 mS/div" at 150,80. Texts of the
// data set are taken as UTF-8 under Specific Character Set "ISO_IR 192", else as
// Windows-1252 (of which ISO 8859-1 text is a part).
std::vector<HeaderText> ChartHeaderTexts(const TStudy& study);

// Draws those lines in black.
void DrawChartHeader(RasterCanvas& canvas, const TStudy& study, int width);

}  // namespace norvane
