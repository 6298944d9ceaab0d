#pragma once

// Where and how large each channel of a multiplex group is drawn: two columns of six
// strips, 100 pixels per second across and 40 pixels per millivolt up.

#include "ecg/ecg_records.hpp"

namespace norvane {

inline constexpr float kPixelsPerGridUnit = 40;  // 1 mV, or 100 mm Hg
inline constexpr int kChannelsPerColumn = 6;
inline constexpr int kStripHeight = 90;
inline constexpr int kFirstBaselineOffset = 100;

// Sets the waveform's scale and, for each of its channels, the x origin (0 in the left
// column, half the bitmap width in the right one), the baseline (190, 280, ... 640 in
// both columns; channels past the twelfth continue below the right column), samples per
// pixel (sampling frequency / 100) and, by the channel's units, the amplitude divisor and
// the label: "uV" and "mV" channels get the code meaning + " 0.5 mV/div", units containing
// "mm" (mm Hg) the code meaning + " 50 mm Hg/div"; other units have no amplitude scale
// (divisor 0) and the code meaning alone as label.
void LayOutChannels(TWaveform& waveform, int bitmapWidth);

}  // namespace norvane
