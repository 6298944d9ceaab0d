#include "ecg/chart_channel.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ecg/channel_layout.hpp"

namespace norvane {
namespace {

constexpr int kLabelLeft = 5;
constexpr int kLabelAbove = 70;
constexpr int kPulseRise = 7;
constexpr int kPulseFall = 22;

// A pixel coordinate from a real number, truncated toward zero; values no bitmap reaches
// are held far outside, and a value that is not a number falls back to `fallback`.
int ToPixel(double value, int fallback) {
  constexpr double kFar = 1 << 24;
  if (std::isnan(value)) return fallback;
  return static_cast<int>(std::clamp(value, -kFar, kFar));
}

}  // namespace

CanvasPoint ChannelLabelPosition(const TChannel& channel) {
  return {channel.xOrigin + kLabelLeft, channel.yBaseline - kLabelAbove};
}

std::array<CanvasPoint, 6> CalibrationPulse(const TChannel& channel) {
  const int x = channel.xOrigin;
  const int y = channel.yBaseline;
  const int top = y - static_cast<int>(kPixelsPerGridUnit);
  return {{{x, y},
           {x + kPulseRise, y},
           {x + kPulseRise, top},
           {x + kPulseFall, top},
           {x + kPulseFall, y},
           {x + kTraceOffset, y}}};
}

uint32_t ShownSamples(const TChannel& channel, int bitmapWidth) {
  const double count = (bitmapWidth - 50) * channel.samplesPerPixel * 0.5;
  const uint32_t available =
      std::min<uint32_t>(channel.numberOfSamples, static_cast<uint32_t>(channel.samples.size()));
  if (!(count > 0)) return 0;
  if (count >= available) return available;
  return static_cast<uint32_t>(count);
}

std::vector<CanvasPoint> TracePoints(const TChannel& channel, int bitmapWidth) {
  const int x0 = channel.xOrigin + kTraceOffset;
  const int y0 = channel.yBaseline;
  const uint32_t shown = ShownSamples(channel, bitmapWidth);

  double divisor = channel.amplitudeDivisor;
  if (divisor == 0) {
    int32_t largest = 0;
    for (uint32_t k = 1; k < shown; ++k)
      largest = std::max(largest, std::abs(channel.samples[k]));
    divisor = largest == 0 ? 1.0 : largest / static_cast<double>(kPixelsPerGridUnit);
  }

  std::vector<CanvasPoint> points;
  points.reserve(shown + 1);
  points.push_back({x0, y0});
  for (uint32_t k = 0; k < shown; ++k) {
    const double v = k == 0 ? 0.0 : channel.samples[k];
    const int x = x0 + ToPixel(k / channel.samplesPerPixel, 0);
    const double offset = v / divisor;
    const int y = std::isfinite(offset) ? ToPixel(y0 - offset, y0) : y0;
    points.push_back({x, y});
  }
  return points;
}

void DrawChannel(RasterCanvas& canvas, const TChannel& channel, int bitmapWidth) {
  canvas.SetFont({"Tahoma", 10, false});
  canvas.SetTextColour({0, 0, 0});
  const CanvasPoint label = ChannelLabelPosition(channel);
  canvas.Text(label.x, label.y, channel.label);

  canvas.SetPen({0, 0, 0}, 1);
  if (channel.amplitudeDivisor != 0) canvas.Polyline(CalibrationPulse(channel));
  canvas.Polyline(TracePoints(channel, bitmapWidth));
}

}  // namespace norvane
