#include "ecg/ecg_status.hpp"

namespace norvane {

std::string_view Describe(EcgStatus status) {
  switch (status) {
    case EcgStatus::kDrawn:
      return "drawn";
    case EcgStatus::kNotWaveformModality:
      return "is not a waveform object (Modality is not ECG, HD or AU)";
    case EcgStatus::kMalformedSequence:
      return "has a sequence that cannot be read (a length past the end of its value, or "
             "nesting too deep)";
    case EcgStatus::kNoCompleteWaveform:
      return "has no complete multiplex group (Waveform Sequence item with Waveform Data)";
    case EcgStatus::kNoChannels:
      return "has no complete channel definition (Channel Source Sequence and Channel "
             "Baseline) in its first multiplex group";
    case EcgStatus::kChannelCountMismatch:
      return "has channel definitions that do not match Number of Waveform Channels";
    case EcgStatus::kNoSamples:
      return "has no Number of Waveform Samples";
    case EcgStatus::kNoSamplingFrequency:
      return "has no Sampling Frequency of 1 Hz or more";
    case EcgStatus::kUnsupportedBitsAllocated:
      return "has Waveform Bits Allocated other than 8 or 16";
    case EcgStatus::kUnsupportedSampleInterpretation:
      return "has a Waveform Sample Interpretation that does not fit its Waveform Bits "
             "Allocated";
    case EcgStatus::kWaveformDataTooShort:
      return "has Waveform Data shorter than its samples, channels and bits allocated say";
    case EcgStatus::kEmptyBitmap:
      return "cannot be drawn into an empty bitmap";
    case EcgStatus::kDrawingFailed:
      return "could not be drawn (drawing library error)";
  }
  return "cannot be drawn";
}

}  // namespace norvane
