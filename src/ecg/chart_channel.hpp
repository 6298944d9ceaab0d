#pragma once

// One channel's strip on the chart: label, calibration pulse and trace.

#include <array>
#include <cstdint>
#include <vector>

#include "ecg/ecg_records.hpp"
#include "platform/raster_canvas.hpp"

namespace norvane {

// Where the trace starts, right of the calibration pulse.
inline constexpr int kTraceOffset = 30;

// The label's top left corner: 5 right of the origin, 70 above the baseline.
CanvasPoint ChannelLabelPosition(const TChannel& channel);

// The calibration pulse (1 mV, or 100 mm Hg: 40 pixels up, 15 wide) from the origin on
// the baseline: X,Y  X+7,Y  X+7,Y-40  X+22,Y-40  X+22,Y  X+30,Y.
std::array<CanvasPoint, 6> CalibrationPulse(const TChannel& channel);

// How many samples a column shows: (bitmap width - 50) x samples per pixel / 2, truncated,
// at most the channel's samples and never below 0.
uint32_t ShownSamples(const TChannel& channel, int bitmapWidth);

// The trace: from X+30,Y one point per shown sample k at X + 30 + trunc(k / samples per
// pixel), trunc(Y - sample / amplitude divisor); sample 0 is taken as 0, so the trace
// begins on the baseline. A channel without amplitude scale is drawn with its largest
// shown sample 40 pixels from the baseline.
std::vector<CanvasPoint> TracePoints(const TChannel& channel, int bitmapWidth);

// Label (regular 10 points), calibration pulse (only with an amplitude scale) and trace,
// black, width 1.
void DrawChannel(RasterCanvas& canvas, const TChannel& channel, int bitmapWidth);

}  // namespace norvane
