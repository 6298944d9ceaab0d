#include "ecg/channel_layout.hpp"

#include <string_view>

namespace norvane {
namespace {

// Rows this far down are far outside any bitmap; they all share one baseline.
constexpr int kLastRow = 1 << 20;

}  // namespace

void LayOutChannels(TWaveform& waveform, int bitmapWidth) {
  waveform.scale = kPixelsPerGridUnit;
  const double scale = kPixelsPerGridUnit;
  for (size_t i = 0; i < waveform.channels.size(); ++i) {
    TChannel& channel = waveform.channels[i];
    channel.scale = kPixelsPerGridUnit;
    const bool leftColumn = i < kChannelsPerColumn;
    channel.xOrigin = leftColumn ? 0 : bitmapWidth / 2;
    // Row within the column; channels past the twelfth go on below the right column.
    const size_t row = leftColumn ? i + 1 : i - (kChannelsPerColumn - 1);
    channel.yBaseline = row < kLastRow ? static_cast<int>(row) * kStripHeight + kFirstBaselineOffset
                                       : kLastRow * kStripHeight + kFirstBaselineOffset;
    channel.samplesPerPixel = channel.samplingFrequency * 400 / (scale * 1000);

    const std::string_view units = channel.units;
    const double sensitivity = channel.channelSensitivity;
    if (units == "uV") {
      channel.amplitudeDivisor = 1000 / (sensitivity * scale);
      channel.label = channel.codeMeaning + " 0.5 mV/div";
    } else if (units == "mV") {
      channel.amplitudeDivisor = 1 / (sensitivity * scale);
      channel.label = channel.codeMeaning + " 0.5 mV/div";
    } else if (units.find("mm") != std::string_view::npos) {
      channel.amplitudeDivisor = 100 / (sensitivity * scale);
      channel.label = channel.codeMeaning + " 50 mm Hg/div";
    } else {
      channel.amplitudeDivisor = 0;
      channel.label = channel.codeMeaning;
    }
  }
}

}  // namespace norvane
