#pragma once

// A waveform object as the ECG drawing reads it: the study with its patient and study
// data, each multiplex group of the Waveform Sequence, and each channel definition.

#include <cstdint>
#include <string>
#include <vector>

namespace norvane {

// One channel definition of a multiplex group, with what drawing it needs.
struct TChannel {
  std::string label;  // drawn above the trace
  int xOrigin = 0;    // pixels
  int yBaseline = 0;  // pixels
  double samplesPerPixel = 0;
  // A sample value divided by it gives pixels; 0 when the units have no amplitude scale.
  double amplitudeDivisor = 0;
  uint32_t numberOfSamples = 0;
  float scale = 40;  // pixels per grid unit
  double samplingFrequency = 0;
  std::vector<int32_t> samples;  // decoded by the multiplex group's sample interpretation

  std::string codeMeaning;  // Code Meaning of the Channel Source Sequence
  double channelSensitivity = 0;
  std::string units;  // Code Value of the Channel Sensitivity Units Sequence: "uV", "mV", ...
  double channelSensitivityCorrectionFactor = 0;  // read, not applied
  double channelBaseline = 0;                     // read, not applied
  // Which channel of the multiplex group's interleaved samples this is: the position of its
  // item in the Channel Definition Sequence.
  uint32_t multiplexPosition = 0;
};

// One item of the Waveform Sequence (a multiplex group).
struct TWaveform {
  float scale = 0;  // pixels per grid unit, 40 once drawn
  std::string waveformOriginality;
  uint16_t numberOfWaveformChannels = 0;
  uint32_t numberOfWaveformSamples = 0;
  int samplingFrequency = 0;                 // Hz, the integer part of the decimal text
  uint16_t waveformBitsAllocated = 0;        // 0 when absent
  std::string waveformSampleInterpretation;  // "SS", "US", "SB", "UB", "MB", "AB"; may be empty
  std::vector<uint8_t> waveformData;         // raw, little endian
  uint32_t channelDefinitionItems = 0;       // items of the Channel Definition Sequence
  std::vector<TChannel> channels;            // completed channel definitions, in item order
};

// The data set of a waveform object.
struct TStudy {
  std::string specificCharacterSet;
  std::string sopClassUid;
  std::string patientName;
  std::string patientId;
  std::string patientBirthDate;
  std::string patientSex;
  std::string studyDate;  // day/month/year
  std::string studyTime;  // hours:minutes:seconds
  std::string modality;
  std::string institutionName;
  std::vector<TWaveform> waveforms;  // completed multiplex groups, in data set order
};

}  // namespace norvane
