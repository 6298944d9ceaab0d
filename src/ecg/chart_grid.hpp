#pragma once

// The millimetre-paper background of the chart.

#include "platform/raster_canvas.hpp"

namespace norvane {

inline constexpr PaletteEntry kChartLightGrey{192, 192, 192};
inline constexpr PaletteEntry kChartDarkGrey{128, 128, 128};
inline constexpr int kFineGridStep = 20;          // 200 ms across, 0.5 mV up
inline constexpr int kCoarseHorizontalStep = 40;  // 1 mV
inline constexpr int kCoarseVerticalStep = 100;   // 1 s

// A white bitmap with a black 1-pixel border, then light grey lines every 20 pixels across
// and down, then dark grey horizontal lines every 40 pixels and vertical lines every 100,
// each over the full width or height and starting at 0.
void DrawChartPaper(RasterCanvas& canvas, int width, int height);

}  // namespace norvane
