#pragma once

#include <cstdint>
#include <string_view>

namespace norvane {

// Why a waveform object was or was not drawn.
enum class EcgStatus : uint8_t {
  kDrawn,
  kNotWaveformModality,              // Modality is not "ECG", "HD" or "AU"
  kMalformedSequence,                // a sequence on the way to the waveforms cannot be read
  kNoCompleteWaveform,               // no Waveform Sequence item with Waveform Data
  kNoChannels,                       // the multiplex group has no complete channel definition
  kChannelCountMismatch,             // channel definitions and Number of Waveform Channels disagree
  kNoSamples,                        // Number of Waveform Samples is 0 or missing
  kNoSamplingFrequency,              // Sampling Frequency is below 1 Hz or missing
  kUnsupportedBitsAllocated,         // Waveform Bits Allocated other than 8 or 16
  kUnsupportedSampleInterpretation,  // an interpretation the bits allocated cannot have
  kWaveformDataTooShort,             // fewer bytes than samples x channels x bytes per sample
  kEmptyBitmap,                      // the bitmap has no pixels
  kDrawingFailed,                    // the drawing library failed
};

std::string_view Describe(EcgStatus status);

}  // namespace norvane
