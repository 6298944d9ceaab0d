#pragma once

// The samples of each channel of a multiplex group, taken out of its interleaved Waveform
// Data.

#include <cstdint>

#include "ecg/ecg_records.hpp"
#include "ecg/ecg_status.hpp"

namespace norvane {

// Fills samples, numberOfSamples and samplingFrequency of every channel of the waveform.
// The data holds the samples channel by channel within each sample time, Number of
// Waveform Channels to a time (the number of channel definition items when that element is
// missing); a channel's place among them is its item's position. Samples are 16-bit
// (signed "SS", the default, or unsigned "US") or 8-bit (signed "SB", the default,
// unsigned "UB", mu-law "MB" or A-law "AB", decoded to 16-bit linear values), little
// endian; a missing Waveform Bits Allocated counts as 16.
// Checks first, changing nothing on failure, that there are channels, that they fit
// the data's channel count, that there are samples and a sampling frequency of at least
// 1 Hz, that bits and interpretation are known, and that the data holds every sample.
EcgStatus DecodeChannelSamples(TWaveform& waveform);

// G.711 expansions of one 8-bit code to a 16-bit linear value.
int16_t MuLawToLinear(uint8_t code);
int16_t ALawToLinear(uint8_t code);

}  // namespace norvane
