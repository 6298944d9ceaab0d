// pydicom's 12-lead ECG sample, read and drawn, against what pydicom reads from it.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "datadec/dicom_file_reader.hpp"
#include "ecg/ecg_to_bitmap.hpp"
#include "ecg/waveform_reader.hpp"
#include "ecg/waveform_samples.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

struct ReferenceChannel {
  double sensitivity = 0;
  std::string units;
  std::string meaning;
};

struct ReferenceGroup {
  int channels = 0;
  uint32_t samples = 0;
  double frequency = 0;
  int bits = 0;
  std::vector<ReferenceChannel> definitions;
  std::vector<std::vector<double>> values;  // [sample][channel], as pydicom scales them
};

std::string EcgFile() {
  return testing::PydicomFile("waveform_ecg.dcm");
}

ReferenceGroup PydicomGroup(int index) {
  const testing::RunResult run = testing::RunProgram(
      {"/usr/bin/python3", std::string(NORVANE_SOURCE_DIR) + "/tests/ecg/waveform_reference.py",
       EcgFile(), std::to_string(index)});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  ReferenceGroup group;
  std::istringstream lines(run.output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "group") {
      fields >> group.channels >> group.samples >> group.frequency >> group.bits;
    } else if (kind == "channel") {
      ReferenceChannel channel;
      int i;
      fields >> i >> channel.sensitivity;
      fields.ignore(1);
      std::getline(fields, channel.units, '\t');
      std::getline(fields, channel.meaning);
      group.definitions.push_back(channel);
    } else if (kind == "sample") {
      size_t s;
      fields >> s;
      std::vector<double> row;
      double v;
      while (fields >> v)
        row.push_back(v);
      group.values.push_back(row);
    }
  }
  return group;
}

TEST(PydicomEcg, MultiplexGroupsReadAsPydicomReadsThem) {
  const DicomFileContent file = DICOMFile(EcgFile());
  ASSERT_TRUE(file.Ok());
  StudyReading reading = ReadWaveformStudy(file.dataset);
  ASSERT_TRUE(reading.sequencesIntact);
  EXPECT_EQ(reading.study.modality, "ECG");
  EXPECT_EQ(reading.study.patientName, "Anonymous");
  ASSERT_EQ(reading.study.waveforms.size(), 2u);  // rhythm and median beat

  for (int index = 0; index < 2; ++index) {
    SCOPED_TRACE("multiplex group " + std::to_string(index));
    const ReferenceGroup expected = PydicomGroup(index);
    ASSERT_GT(expected.channels, 0);
    TWaveform& waveform = reading.study.waveforms[index];
    EXPECT_EQ(waveform.numberOfWaveformChannels, expected.channels);
    EXPECT_EQ(waveform.numberOfWaveformSamples, expected.samples);
    EXPECT_EQ(waveform.samplingFrequency, static_cast<int>(std::trunc(expected.frequency)));
    EXPECT_EQ(waveform.waveformBitsAllocated, expected.bits);
    ASSERT_EQ(waveform.channels.size(), expected.definitions.size());
    ASSERT_EQ(DecodeChannelSamples(waveform), EcgStatus::kDrawn);
    ASSERT_EQ(expected.values.size(), expected.samples);
    for (size_t i = 0; i < waveform.channels.size(); ++i) {
      SCOPED_TRACE("channel " + std::to_string(i));
      const TChannel& channel = waveform.channels[i];
      EXPECT_EQ(channel.codeMeaning, expected.definitions[i].meaning);
      EXPECT_EQ(channel.units, expected.definitions[i].units);
      EXPECT_DOUBLE_EQ(channel.channelSensitivity, expected.definitions[i].sensitivity);
      ASSERT_EQ(channel.samples.size(), expected.samples);
      for (size_t s = 0; s < channel.samples.size(); ++s) {
        const double scaled = channel.samples[s] * channel.channelSensitivity *
                                  channel.channelSensitivityCorrectionFactor +
                              channel.channelBaseline;
        ASSERT_DOUBLE_EQ(scaled, expected.values[s][i]) << "sample " << s;
      }
    }
  }
}

TEST(PydicomEcg, TracesStandFortyPixelsPerMillivoltAtPydicomsValues) {
  const DicomFileContent file = DICOMFile(EcgFile());
  ASSERT_TRUE(file.Ok());
  Raster chart = *Raster::Create(1200, 800, PixelFormat::kBgrx32);
  ASSERT_EQ(ECG2Bitmap(chart, file.dataset), EcgStatus::kDrawn);

  const ReferenceGroup rhythm = PydicomGroup(0);
  ASSERT_EQ(rhythm.definitions.size(), 12u);
  ASSERT_EQ(rhythm.frequency, 1000.0);
  // 1000 Hz at 100 pixels per second; (1200 - 50) / 2 pixels of trace per column.
  const double samplesPerPixel = 10;
  const uint32_t shown = 5750;
  const int baselines[] = {190, 280, 370, 460, 550, 640};
  for (size_t i = 0; i < 12; ++i) {
    SCOPED_TRACE(rhythm.definitions[i].meaning);
    ASSERT_EQ(rhythm.definitions[i].units, "uV");
    const int x0 = (i < 6 ? 0 : 600) + 30;
    const int y0 = baselines[i % 6];
    int missing = 0;
    for (uint32_t k = 1; k < shown; ++k) {
      const int x = x0 + static_cast<int>(k / samplesPerPixel);
      if (x >= chart.Width()) break;
      const double microvolts = rhythm.values[k][i];
      const int y = static_cast<int>(y0 - microvolts * 40 / 1000);
      if (chart.ColourAt(x, y) != PaletteEntry{0, 0, 0} && ++missing <= 3) {
        ADD_FAILURE() << "sample " << k << " (" << microvolts << " uV) not black at " << x << ","
                      << y;
      }
    }
    EXPECT_EQ(missing, 0);
  }
}

}  // namespace
}  // namespace norvane
