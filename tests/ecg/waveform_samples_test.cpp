// Channel samples taken out of a multiplex group's Waveform Data, and the checks before.

#include "ecg/waveform_samples.hpp"

#include <gtest/gtest.h>

#include "ecg/waveform_object.hpp"

namespace norvane {
namespace {

// A multiplex group of `channels` complete channel definitions.
TWaveform Group(uint32_t channels, uint32_t samples, std::vector<uint8_t> data, uint16_t bits = 16,
                std::string interpretation = "SS") {
  TWaveform waveform;
  waveform.numberOfWaveformChannels = static_cast<uint16_t>(channels);
  waveform.channelDefinitionItems = channels;
  waveform.numberOfWaveformSamples = samples;
  waveform.samplingFrequency = 500;
  waveform.waveformBitsAllocated = bits;
  waveform.waveformSampleInterpretation = std::move(interpretation);
  waveform.waveformData = std::move(data);
  for (uint32_t i = 0; i < channels; ++i) {
    TChannel channel;
    channel.multiplexPosition = i;
    waveform.channels.push_back(channel);
  }
  return waveform;
}

TEST(WaveformSamples, SixteenBitSamplesAreTakenChannelByChannelFromEachSampleTime) {
  TWaveform waveform = Group(3, 2, testing::Interleave16({{1, -2}, {300, -32768}, {32767, 0}}));
  ASSERT_EQ(DecodeChannelSamples(waveform), EcgStatus::kDrawn);
  EXPECT_EQ(waveform.channels[0].samples, (std::vector<int32_t>{1, -2}));
  EXPECT_EQ(waveform.channels[1].samples, (std::vector<int32_t>{300, -32768}));
  EXPECT_EQ(waveform.channels[2].samples, (std::vector<int32_t>{32767, 0}));
  for (const TChannel& c : waveform.channels) {
    EXPECT_EQ(c.numberOfSamples, 2u);
    EXPECT_EQ(c.samplingFrequency, 500);
  }

  TWaveform unsignedGroup = Group(1, 2, {0xFF, 0xFF, 0x00, 0x80}, 16, "US");
  ASSERT_EQ(DecodeChannelSamples(unsignedGroup), EcgStatus::kDrawn);
  EXPECT_EQ(unsignedGroup.channels[0].samples, (std::vector<int32_t>{65535, 32768}));

  // Without Waveform Bits Allocated and interpretation: signed 16-bit.
  TWaveform bare = Group(1, 1, {0xFE, 0xFF}, 0, "");
  ASSERT_EQ(DecodeChannelSamples(bare), EcgStatus::kDrawn);
  EXPECT_EQ(bare.channels[0].samples, (std::vector<int32_t>{-2}));
}

TEST(WaveformSamples, EightBitSamplesFollowTheirInterpretation) {
  const std::vector<uint8_t> bytes = {0x00, 0x7F, 0x80, 0xFF};
  struct Case {
    const char* interpretation;
    std::vector<int32_t> expected;
  } cases[] = {
      {"SB", {0, 127, -128, -1}},
      {"", {0, 127, -128, -1}},
      {"UB", {0, 127, 128, 255}},
      // G.711: mu-law 0xFF and 0x7F are the two zeros, 0x00 and 0x80 the extremes.
      {"MB", {-32124, 0, 32124, 0}},
      // A-law: 0x55 and 0xD5 are the smallest steps, 0x2A and 0xAA the extremes.
      {"AB", {-5504, -848, 5504, 848}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.interpretation);
    TWaveform waveform = Group(1, 4, bytes, 8, c.interpretation);
    ASSERT_EQ(DecodeChannelSamples(waveform), EcgStatus::kDrawn);
    EXPECT_EQ(waveform.channels[0].samples, c.expected);
  }
  EXPECT_EQ(ALawToLinear(0x55), -8);
  EXPECT_EQ(ALawToLinear(0xD5), 8);
  EXPECT_EQ(ALawToLinear(0x2A), -32256);
  EXPECT_EQ(ALawToLinear(0xAA), 32256);
  EXPECT_EQ(MuLawToLinear(0xFE), 8);
  EXPECT_EQ(MuLawToLinear(0x7E), -8);
}

TEST(WaveformSamples, DataThatDoNotMatchTheGroupFailAndChangeNothing) {
  const std::vector<uint8_t> fourSamples = testing::Constant16(7, 4);
  struct Case {
    const char* what;
    TWaveform waveform;
    EcgStatus expected;
  } cases[] = {
      {"more samples than the data hold", Group(1, 5, fourSamples),
       EcgStatus::kWaveformDataTooShort},
      {"more channels than the data hold", Group(2, 4, fourSamples),
       EcgStatus::kWaveformDataTooShort},
      {"a sample count that overflows 32 bits when multiplied", Group(2, 0xFFFFFFFF, fourSamples),
       EcgStatus::kWaveformDataTooShort},
      {"16-bit samples in 8-bit-sized data", Group(1, 4, {1, 2, 3, 4}),
       EcgStatus::kWaveformDataTooShort},
      {"no channels", Group(0, 4, fourSamples), EcgStatus::kNoChannels},
      {"no samples", Group(1, 0, fourSamples), EcgStatus::kNoSamples},
      {"12 bits allocated", Group(1, 4, fourSamples, 12), EcgStatus::kUnsupportedBitsAllocated},
      {"32 bits allocated", Group(1, 2, fourSamples, 32), EcgStatus::kUnsupportedBitsAllocated},
      {"mu-law in 16 bits", Group(1, 4, fourSamples, 16, "MB"),
       EcgStatus::kUnsupportedSampleInterpretation},
      {"signed 16-bit in 8 bits", Group(1, 4, fourSamples, 8, "SS"),
       EcgStatus::kUnsupportedSampleInterpretation},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeChannelSamples(c.waveform), c.expected);
    for (const TChannel& channel : c.waveform.channels) {
      EXPECT_TRUE(channel.samples.empty());
      EXPECT_EQ(channel.numberOfSamples, 0u);
    }
  }

  TWaveform noFrequency = Group(1, 4, fourSamples);
  noFrequency.samplingFrequency = 0;
  EXPECT_EQ(DecodeChannelSamples(noFrequency), EcgStatus::kNoSamplingFrequency);

  // Twelve channel definitions for a group that says it has eleven, or a definition whose
  // place lies beyond the group's channels.
  TWaveform mismatch = Group(12, 1, testing::Constant16(0, 1, 12));
  mismatch.numberOfWaveformChannels = 11;
  EXPECT_EQ(DecodeChannelSamples(mismatch), EcgStatus::kChannelCountMismatch);
  TWaveform beyond = Group(2, 1, testing::Constant16(0, 1, 2));
  beyond.numberOfWaveformChannels = 0;  // counted from the items
  beyond.channels[1].multiplexPosition = 2;
  EXPECT_EQ(DecodeChannelSamples(beyond), EcgStatus::kChannelCountMismatch);
}

TEST(WaveformSamples, DataExactlyLongEnoughOrPaddedAreRead) {
  TWaveform exact = Group(2, 2, testing::Interleave16({{1, 2}, {3, 4}}));
  EXPECT_EQ(DecodeChannelSamples(exact), EcgStatus::kDrawn);
  TWaveform padded = Group(1, 3, {1, 2, 3, 0}, 8, "UB");
  ASSERT_EQ(DecodeChannelSamples(padded), EcgStatus::kDrawn);
  EXPECT_EQ(padded.channels[0].samples, (std::vector<int32_t>{1, 2, 3}));
  // One byte short.
  TWaveform shortGroup = Group(2, 2, {1, 0, 3, 0, 2, 0, 4});
  EXPECT_EQ(DecodeChannelSamples(shortGroup), EcgStatus::kWaveformDataTooShort);
}

}  // namespace
}  // namespace norvane
