#pragma once

// Reads a waveform object's data set into a TStudy.

#include "ecg/ecg_records.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

struct StudyReading {
  TStudy study;
  // False when a sequence on the way to the waveforms could not be read (a length past the
  // end of the value that holds it, nesting too deep); the study then holds what was read
  // before.
  bool sequencesIntact = true;
};

// Reads the data set element by element in list order. Patient and study elements are
// taken from the top level only; a multiplex group is opened by its Waveform Originality
// and completed by its Waveform Data, a channel definition opened by its Channel Source
// Sequence and completed by its Channel Baseline, each within its own item (what an item
// leaves open is dropped). The Waveform Sequence, the Channel Definition Sequence and the
// channel's source and units sequences are read whether they come expanded into the list
// (undefined length, with delimiters) or as one element holding their encoded items, in
// explicit or implicit VR little endian.
StudyReading ReadWaveformStudy(const TagList& dataset);

}  // namespace norvane
