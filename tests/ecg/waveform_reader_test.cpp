// Reading waveform objects into study, multiplex group and channel records.

#include "ecg/waveform_reader.hpp"

#include <gtest/gtest.h>

#include "datadec/expand_sequence.hpp"
#include "ecg/waveform_object.hpp"
#include "ecg/waveform_samples.hpp"

namespace norvane {
namespace {

using testing::ChannelSpec;
using testing::Dataset;
using testing::SequenceElement;
using testing::SequenceForm;
using testing::TextElement;
using testing::WaveformObject;
using testing::WaveformObjectSpec;
using testing::WaveformSpec;

WaveformObjectSpec TwoGroups() {
  WaveformObjectSpec spec;
  WaveformSpec rhythm;
  rhythm.samples = 3;
  rhythm.frequency = "499.9";
  rhythm.definitions = {{"Lead I", "1.25", "uV"}, {"Lead II", "0.005", "mV"}};
  rhythm.data = testing::Interleave16({{1, 2, 3}, {-4, -5, -6}});
  WaveformSpec pressure;
  pressure.originality = "DERIVED";
  pressure.samples = 1;
  pressure.frequency = "250";
  pressure.bits = 8;
  pressure.interpretation = "SB";
  pressure.definitions = {{"Aortic", "1", "mm[Hg]"}};
  pressure.data = std::vector<uint8_t>{0x7F, 0x00};
  spec.waveforms = {rhythm, pressure};
  return spec;
}

TEST(WaveformReader, EverySequenceFormReadsIntoTheSameRecords) {
  const Dataset object = WaveformObject(TwoGroups());
  for (const SequenceForm form : testing::kAllForms) {
    SCOPED_TRACE(testing::FormName(form));
    const StudyReading reading = ReadWaveformStudy(testing::ToTagList(object, form));
    ASSERT_TRUE(reading.sequencesIntact);
    const TStudy& study = reading.study;
    EXPECT_EQ(study.modality, "ECG");
    EXPECT_EQ(study.sopClassUid, "1.2.840.10008.5.1.4.1.1.9.1.1");
    EXPECT_EQ(study.patientName, "DOE^JANE");
    EXPECT_EQ(study.patientId, "ID42");
    EXPECT_EQ(study.patientBirthDate, "19710123");
    EXPECT_EQ(study.patientSex, "F");
    EXPECT_EQ(study.institutionName, "General Hospital");
    EXPECT_EQ(study.studyDate, "25/01/2013");
    EXPECT_EQ(study.studyTime, "10:59:19");
    ASSERT_EQ(study.waveforms.size(), 2u);

    const TWaveform& rhythm = study.waveforms[0];
    EXPECT_EQ(rhythm.waveformOriginality, "ORIGINAL");
    EXPECT_EQ(rhythm.numberOfWaveformChannels, 2);
    EXPECT_EQ(rhythm.numberOfWaveformSamples, 3u);
    EXPECT_EQ(rhythm.samplingFrequency, 499);  // the integer part
    EXPECT_EQ(rhythm.waveformBitsAllocated, 16);
    EXPECT_EQ(rhythm.waveformSampleInterpretation, "SS");
    EXPECT_EQ(rhythm.waveformData, testing::Interleave16({{1, 2, 3}, {-4, -5, -6}}));
    EXPECT_EQ(rhythm.channelDefinitionItems, 2u);
    ASSERT_EQ(rhythm.channels.size(), 2u);
    EXPECT_EQ(rhythm.channels[0].codeMeaning, "Lead I");
    EXPECT_EQ(rhythm.channels[0].units, "uV");  // not the source's code value
    EXPECT_DOUBLE_EQ(rhythm.channels[0].channelSensitivity, 1.25);
    EXPECT_DOUBLE_EQ(rhythm.channels[0].channelSensitivityCorrectionFactor, 1.0);
    EXPECT_EQ(rhythm.channels[0].multiplexPosition, 0u);
    EXPECT_EQ(rhythm.channels[1].codeMeaning, "Lead II");
    EXPECT_EQ(rhythm.channels[1].units, "mV");
    EXPECT_DOUBLE_EQ(rhythm.channels[1].channelSensitivity, 0.005);
    EXPECT_EQ(rhythm.channels[1].multiplexPosition, 1u);

    const TWaveform& pressure = study.waveforms[1];
    EXPECT_EQ(pressure.waveformOriginality, "DERIVED");
    EXPECT_EQ(pressure.waveformBitsAllocated, 8);
    ASSERT_EQ(pressure.channels.size(), 1u);
    EXPECT_EQ(pressure.channels[0].units, "mm[Hg]");
  }
}

TEST(WaveformReader, ChannelWithoutBaselineIsDroppedButOthersKeepTheirPlaceInTheData) {
  WaveformObjectSpec spec;
  WaveformSpec group;
  group.samples = 2;
  group.definitions = {{"A"}, {"B"}, {"C"}};
  group.definitions[1].withBaseline = false;
  group.data = testing::Interleave16({{10, 11}, {20, 21}, {30, 31}});
  spec.waveforms = {group};
  for (const SequenceForm form : testing::kAllForms) {
    SCOPED_TRACE(testing::FormName(form));
    StudyReading reading = ReadWaveformStudy(testing::ToTagList(WaveformObject(spec), form));
    ASSERT_EQ(reading.study.waveforms.size(), 1u);
    TWaveform& waveform = reading.study.waveforms[0];
    ASSERT_EQ(waveform.channels.size(), 2u);
    EXPECT_EQ(waveform.channels[0].codeMeaning, "A");
    EXPECT_EQ(waveform.channels[1].codeMeaning, "C");
    ASSERT_EQ(DecodeChannelSamples(waveform), EcgStatus::kDrawn);
    EXPECT_EQ(waveform.channels[1].samples, (std::vector<int32_t>{30, 31}));
  }
}

TEST(WaveformReader, ChannelWithoutSourceIsNeverOpened) {
  WaveformObjectSpec spec;
  WaveformSpec group;
  group.samples = 1;
  group.definitions = {{"A"}, {"B"}};
  group.definitions[0].withSource = false;
  group.data = testing::Interleave16({{1}, {2}});
  spec.waveforms = {group};
  const StudyReading reading =
      ReadWaveformStudy(testing::ToTagList(WaveformObject(spec), SequenceForm::kFlat));
  ASSERT_EQ(reading.study.waveforms.size(), 1u);
  ASSERT_EQ(reading.study.waveforms[0].channels.size(), 1u);
  EXPECT_EQ(reading.study.waveforms[0].channels[0].codeMeaning, "B");
  EXPECT_EQ(reading.study.waveforms[0].channels[0].multiplexPosition, 1u);
}

TEST(WaveformReader, GroupWithoutWaveformDataIsNotCompletedAndTakesNothingFromTheNext) {
  WaveformObjectSpec spec;
  WaveformSpec empty;
  empty.originality = "FIRST";
  empty.samples = 4;
  empty.definitions = {{"Lost"}};
  WaveformSpec full;
  full.originality = "SECOND";
  full.samples = 1;
  full.definitions = {{"Kept"}};
  full.data = testing::Constant16(5, 1);
  spec.waveforms = {empty, full};
  for (const SequenceForm form : testing::kAllForms) {
    SCOPED_TRACE(testing::FormName(form));
    const StudyReading reading = ReadWaveformStudy(testing::ToTagList(WaveformObject(spec), form));
    ASSERT_EQ(reading.study.waveforms.size(), 1u);
    EXPECT_EQ(reading.study.waveforms[0].waveformOriginality, "SECOND");
    ASSERT_EQ(reading.study.waveforms[0].channels.size(), 1u);
    EXPECT_EQ(reading.study.waveforms[0].channels[0].codeMeaning, "Kept");
  }
}

TEST(WaveformReader, ElementsOfOtherSequencesStayOutOfTheRecords) {
  WaveformObjectSpec spec;
  spec.patientName = "TOP^LEVEL";
  spec.modality = "ECG";
  // Code meanings, values and patient data inside unrelated sequences, at the top and
  // inside a multiplex group.
  spec.extra = {SequenceElement(0x0040, 0x0555,
                                {{TextElement(0x0008, 0x0100, "SH", "mV"),
                                  TextElement(0x0008, 0x0104, "LO", "Context")}}),
                SequenceElement(0x0008, 0x1115,
                                {{TextElement(0x0008, 0x0060, "CS", "MR"),
                                  TextElement(0x0010, 0x0010, "PN", "NESTED^NAME")}})};
  WaveformSpec group;
  group.samples = 1;
  group.definitions = {{"Lead I"}};
  group.data = testing::Constant16(1, 1);
  group.extra = {SequenceElement(0x0040, 0xA0B0, {{TextElement(0x003A, 0x0004, "CS", "X")}})};
  spec.waveforms = {group};
  for (const SequenceForm form : testing::kAllForms) {
    SCOPED_TRACE(testing::FormName(form));
    const StudyReading reading = ReadWaveformStudy(testing::ToTagList(WaveformObject(spec), form));
    EXPECT_EQ(reading.study.patientName, "TOP^LEVEL");
    EXPECT_EQ(reading.study.modality, "ECG");
    ASSERT_EQ(reading.study.waveforms.size(), 1u);
    EXPECT_EQ(reading.study.waveforms[0].waveformOriginality, "ORIGINAL");
    ASSERT_EQ(reading.study.waveforms[0].channels.size(), 1u);
    EXPECT_EQ(reading.study.waveforms[0].channels[0].units, "uV");
  }
}

TEST(WaveformReader, StudyTextsAreTrimmedAndDateAndTimeFormatted) {
  WaveformObjectSpec spec;
  spec.patientName = " DOE^JOHN ";
  spec.studyDate = "19991231";
  spec.studyTime = "235958.123456";
  std::vector<uint8_t> nulPadded = {'E', 'C', 'G', 0};
  spec.modality = "ECG";
  TagList list = testing::ToTagList(WaveformObject(spec), SequenceForm::kFlat);
  for (TagRecord& r : list) {
    if (r.Is(0x0008, 0x0060)) {
      r.value = nulPadded;
      r.length = 4;
    }
  }
  const TStudy study = ReadWaveformStudy(list).study;
  EXPECT_EQ(study.patientName, "DOE^JOHN");
  EXPECT_EQ(study.modality, "ECG");
  EXPECT_EQ(study.studyDate, "31/12/1999");
  EXPECT_EQ(study.studyTime, "23:59:58");

  spec.studyDate.reset();
  spec.studyTime = "1059";
  const TStudy shortTime =
      ReadWaveformStudy(testing::ToTagList(WaveformObject(spec), SequenceForm::kFlat)).study;
  EXPECT_EQ(shortTime.studyDate, "");
  EXPECT_EQ(shortTime.studyTime, "10:59");
  spec.studyDate = "2013";
  const TStudy shortDate =
      ReadWaveformStudy(testing::ToTagList(WaveformObject(spec), SequenceForm::kFlat)).study;
  EXPECT_EQ(shortDate.studyDate, "2013");
}

TEST(WaveformReader, SequenceLengthsPastTheirValueAreReported) {
  WaveformObjectSpec spec;
  WaveformSpec group;
  group.samples = 1;
  group.definitions = {{"Lead I"}};
  group.data = testing::Constant16(1, 1);
  spec.waveforms = {group};
  for (const SequenceForm form : {SequenceForm::kEncodedExplicit, SequenceForm::kEncodedImplicit,
                                  SequenceForm::kFlatWithEncodedItems}) {
    SCOPED_TRACE(testing::FormName(form));
    TagList list = testing::ToTagList(WaveformObject(spec), form);
    // The first item header inside the encoded value (or the first encoded item) claims
    // more bytes than there are.
    bool damaged = false;
    for (TagRecord& r : list) {
      if (form == SequenceForm::kFlatWithEncodedItems && r.Is(tag::kItem) && r.HasValue()) {
        // The first element inside the item: its length becomes huge.
        const size_t lengthAt = (r.value[4] >= 'A' && r.value[5] >= 'A') ? 6 : 4;
        r.value[lengthAt] = 0xFF;
        r.value[lengthAt + 1] = 0xFF;
        damaged = true;
        break;
      }
      if (r.Is(0x5400, 0x0100) && r.HasValue()) {
        r.value[4] = 0xF0;
        r.value[7] = 0x7F;
        damaged = true;
      }
    }
    ASSERT_TRUE(damaged);
    EXPECT_FALSE(ReadWaveformStudy(list).sequencesIntact);
  }
}

TEST(WaveformReader, NestingDeeperThanTheLimitIsReported) {
  // A channel source item holding sequences within sequences, far deeper than any object.
  testing::Element nested = TextElement(0x0008, 0x0104, "LO", "deep");
  for (int i = 0; i < kMaxSequenceDepth + 4; ++i)
    nested = SequenceElement(0x0040, 0xA730, {{nested}});
  WaveformObjectSpec spec;
  WaveformSpec group;
  group.samples = 1;
  group.definitions = {{"Lead I"}};
  group.data = testing::Constant16(1, 1);
  group.extra = {nested};
  spec.waveforms = {group};
  const TagList list = testing::ToTagList(WaveformObject(spec), SequenceForm::kEncodedExplicit);
  EXPECT_FALSE(ReadWaveformStudy(list).sequencesIntact);
}

TEST(WaveformReader, StrayDelimitersAndUnclosedSequencesDoNotDerailTheReader) {
  WaveformObjectSpec spec;
  WaveformSpec group;
  group.samples = 1;
  group.definitions = {{"Lead I"}};
  group.data = testing::Constant16(1, 1);
  spec.waveforms = {group};
  TagList list = testing::ToTagList(WaveformObject(spec), SequenceForm::kFlat);
  TagRecord stray;
  stray.group = kItemGroup;
  stray.element = tag::kSequenceDelimitationItem.element;
  list.insert(list.begin(), stray);
  stray.element = tag::kItemDelimitationItem.element;
  list.insert(list.begin(), stray);
  list.pop_back();  // the Waveform Sequence's own delimiter
  const StudyReading reading = ReadWaveformStudy(list);
  EXPECT_EQ(reading.study.modality, "ECG");
  ASSERT_EQ(reading.study.waveforms.size(), 1u);
  EXPECT_EQ(reading.study.waveforms[0].channels.size(), 1u);
}

}  // namespace
}  // namespace norvane
