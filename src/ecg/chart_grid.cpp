#include "ecg/chart_grid.hpp"

namespace norvane {
namespace {

void HorizontalLines(RasterCanvas& canvas, int width, int height, int step) {
  for (int y = 0; y < height; y += step)
    canvas.Line({0, y}, {width, y});
}

void VerticalLines(RasterCanvas& canvas, int width, int height, int step) {
  for (int x = 0; x < width; x += step)
    canvas.Line({x, 0}, {x, height});
}

}  // namespace

void DrawChartPaper(RasterCanvas& canvas, int width, int height) {
  canvas.SetPen({0, 0, 0}, 1);
  canvas.SetBrush({255, 255, 255});
  canvas.Rectangle(0, 0, width, height);

  canvas.SetPen(kChartLightGrey, 1);
  HorizontalLines(canvas, width, height, kFineGridStep);
  VerticalLines(canvas, width, height, kFineGridStep);
  canvas.SetPen(kChartDarkGrey, 1);
  HorizontalLines(canvas, width, height, kCoarseHorizontalStep);
  VerticalLines(canvas, width, height, kCoarseVerticalStep);
}

}  // namespace norvane
