// Waveform objects as `norvane ecg` reads them: the file is read, then its multiplex
// groups and channel definitions are taken into a study, and each group's interleaved
// samples are split into its channels.

#include <cstddef>
#include <cstdint>
#include <span>

#include "datadec/dicom_file_reader.hpp"
#include "ecg/waveform_reader.hpp"
#include "ecg/waveform_samples.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size > fuzz::kMaxInput) return 0;
  const DicomFileContent content = DICOMFile(std::span<const uint8_t>(data, size));
  StudyReading reading = ReadWaveformStudy(content.dataset);
  for (TWaveform& waveform : reading.study.waveforms)
    DecodeChannelSamples(waveform);
  return 0;
}
