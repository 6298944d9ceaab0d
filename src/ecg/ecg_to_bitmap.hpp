#pragma once

// A waveform object (ECG, hemodynamic or basic audio) drawn as a paper-style strip chart
// into the caller's bitmap: millimetre-paper grid, header with patient and study data, and
// the channels of the first multiplex group in two columns of six, each with label,
// calibration pulse and trace. Fixed scales, nothing fitted to the bitmap: 100 pixels per
// second, 40 pixels per millivolt (or per 100 mm Hg).

#include "ecg/ecg_status.hpp"
#include "elements/tag_record.hpp"
#include "platform/raster.hpp"

namespace norvane {

// Draws the data set (little endian, as read from a file or received) into the bitmap,
// whose size the caller chose. Only the first multiplex group is drawn. The bitmap is left
// untouched unless the result is kDrawn (or kDrawingFailed, when the drawing library gave
// up half way).
EcgStatus ECG2Bitmap(Raster& bitmap, const TagList& dataset);

}  // namespace norvane
