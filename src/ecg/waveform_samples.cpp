#include "ecg/waveform_samples.hpp"

#include <string_view>

namespace norvane {
namespace {

enum class SampleCoding : uint8_t { kSigned16, kUnsigned16, kSigned8, kUnsigned8, kMuLaw, kALaw };

bool SampleCodingOf(uint16_t bitsAllocated, std::string_view interpretation, SampleCoding& coding) {
  if (bitsAllocated == 16) {
    if (interpretation.empty() || interpretation == "SS") {
      coding = SampleCoding::kSigned16;
    } else if (interpretation == "US") {
      coding = SampleCoding::kUnsigned16;
    } else {
      return false;
    }
    return true;
  }
  if (interpretation.empty() || interpretation == "SB") {
    coding = SampleCoding::kSigned8;
  } else if (interpretation == "UB") {
    coding = SampleCoding::kUnsigned8;
  } else if (interpretation == "MB") {
    coding = SampleCoding::kMuLaw;
  } else if (interpretation == "AB") {
    coding = SampleCoding::kALaw;
  } else {
    return false;
  }
  return true;
}

int32_t DecodeSample(const uint8_t* p, SampleCoding coding) {
  switch (coding) {
    case SampleCoding::kSigned16:
      return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
    case SampleCoding::kUnsigned16:
      return static_cast<uint16_t>(p[0] | (p[1] << 8));
    case SampleCoding::kSigned8:
      return static_cast<int8_t>(p[0]);
    case SampleCoding::kUnsigned8:
      return p[0];
    case SampleCoding::kMuLaw:
      return MuLawToLinear(p[0]);
    case SampleCoding::kALaw:
      return ALawToLinear(p[0]);
  }
  return 0;
}

}  // namespace

int16_t MuLawToLinear(uint8_t code) {
  const uint8_t u = static_cast<uint8_t>(~code);
  const int exponent = (u >> 4) & 0x07;
  const int mantissa = u & 0x0F;
  const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
  return static_cast<int16_t>((u & 0x80) ? -magnitude : magnitude);
}

int16_t ALawToLinear(uint8_t code) {
  const uint8_t a = code ^ 0x55;
  const int exponent = (a >> 4) & 0x07;
  const int mantissa = a & 0x0F;
  int magnitude = exponent == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (exponent - 1);
  return static_cast<int16_t>((a & 0x80) ? magnitude : -magnitude);
}

EcgStatus DecodeChannelSamples(TWaveform& waveform) {
  if (waveform.channels.empty()) return EcgStatus::kNoChannels;
  const uint32_t channelCount = waveform.numberOfWaveformChannels != 0
                                    ? waveform.numberOfWaveformChannels
                                    : waveform.channelDefinitionItems;
  if (waveform.numberOfWaveformChannels != 0 &&
      waveform.channelDefinitionItems != waveform.numberOfWaveformChannels) {
    return EcgStatus::kChannelCountMismatch;
  }
  for (const TChannel& channel : waveform.channels) {
    if (channel.multiplexPosition >= channelCount) return EcgStatus::kChannelCountMismatch;
  }
  if (waveform.numberOfWaveformSamples == 0) return EcgStatus::kNoSamples;
  if (waveform.samplingFrequency < 1) return EcgStatus::kNoSamplingFrequency;
  const uint16_t bits =
      waveform.waveformBitsAllocated == 0 ? uint16_t{16} : waveform.waveformBitsAllocated;
  if (bits != 8 && bits != 16) return EcgStatus::kUnsupportedBitsAllocated;
  SampleCoding coding;
  if (!SampleCodingOf(bits, waveform.waveformSampleInterpretation, coding)) {
    return EcgStatus::kUnsupportedSampleInterpretation;
  }
  const uint64_t bytesPerSample = bits / 8;
  const uint64_t samples = waveform.numberOfWaveformSamples;
  if (samples * channelCount * bytesPerSample > waveform.waveformData.size()) {
    return EcgStatus::kWaveformDataTooShort;
  }

  const uint8_t* data = waveform.waveformData.data();
  for (TChannel& channel : waveform.channels) {
    channel.samples.resize(samples);
    for (uint64_t s = 0; s < samples; ++s) {
      const uint64_t offset = (s * channelCount + channel.multiplexPosition) * bytesPerSample;
      channel.samples[s] = DecodeSample(data + offset, coding);
    }
    channel.numberOfSamples = waveform.numberOfWaveformSamples;
    channel.samplingFrequency = waveform.samplingFrequency;
  }
  return EcgStatus::kDrawn;
}

}  // namespace norvane
