#include "ecg/waveform_reader.hpp"

#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "datadec/expand_sequence.hpp"
#include "ecg/study_text.hpp"
#include "elements/decimal_text.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

// Where in the data set an element stands, as far as the reader cares.
enum class Place : uint8_t {
  kTop,                // the data set itself
  kWaveformItem,       // an item of the Waveform Sequence
  kChannelItem,        // an item of a Channel Definition Sequence
  kChannelSourceItem,  // an item of a channel's Channel Source Sequence
  kUnitsItem,          // an item of a channel's Channel Sensitivity Units Sequence
  kElsewhere,
};

// The place inside the items of the sequence found at `parent`.
Place ItemPlace(Place parent, Tag sequence) {
  if (parent == Place::kTop && sequence == tag::kWaveformSequence) return Place::kWaveformItem;
  if (parent == Place::kWaveformItem && sequence == tag::kChannelDefinitionSequence) {
    return Place::kChannelItem;
  }
  if (parent == Place::kChannelItem && sequence == tag::kChannelSourceSequence) {
    return Place::kChannelSourceItem;
  }
  if (parent == Place::kChannelItem && sequence == tag::kChannelSensitivityUnitsSequence) {
    return Place::kUnitsItem;
  }
  return Place::kElsewhere;
}

// An encoded item or sequence value whose first element carries VR letters. Waveform
// objects are little endian; the lists do not say how a sequence value was encoded (VR
// letters may have been looked up after reading), so its bytes tell.
bool LooksExplicit(std::span<const uint8_t> value, bool sequenceValue) {
  const size_t start = sequenceValue ? 8 : 0;  // past the first item's header
  if (value.size() < start + 6) return true;
  const auto isLetter = [](uint8_t b) { return b >= 'A' && b <= 'Z'; };
  return isLetter(value[start + 4]) && isLetter(value[start + 5]);
}

class WaveformReader {
 public:
  bool Read(std::span<const TagRecord> records, int depth);
  StudyReading Result() && { return {std::move(study_), intact_}; }

 private:
  struct Level {
    Tag sequence;
    Place itemPlace;  // the place inside its items
    bool inItem = false;
    uint32_t items = 0;  // items begun so far
  };

  Place CurrentPlace() const;
  bool ShouldExpand(const TagRecord& record) const;
  void Visit(const TagRecord& record);
  void BeginItem();
  void EndItem();
  void EndSequence();
  void TopElement(const TagRecord& record);
  void WaveformElement(const TagRecord& record);
  void ChannelElement(const TagRecord& record);

  TStudy study_;
  bool intact_ = true;
  std::vector<Level> levels_;
  std::optional<TWaveform> waveform_;  // opened, not yet completed
  std::optional<TChannel> channel_;    // opened, not yet completed
};

Place WaveformReader::CurrentPlace() const {
  if (levels_.empty()) return Place::kTop;
  const Level& top = levels_.back();
  return top.inItem ? top.itemPlace : Place::kElsewhere;
}

bool WaveformReader::ShouldExpand(const TagRecord& record) const {
  if (!record.HasValue()) return false;
  if (record.Is(tag::kItem)) {
    return !levels_.empty() && !levels_.back().inItem &&
           levels_.back().itemPlace != Place::kElsewhere;
  }
  const bool maySequence = !record.HasVR() || record.VRIs("SQ") || record.VRIs("UN");
  return maySequence && ItemPlace(CurrentPlace(), record.GetTag()) != Place::kElsewhere;
}

bool WaveformReader::Read(std::span<const TagRecord> records, int depth) {
  for (const TagRecord& record : records) {
    if (!ShouldExpand(record)) {
      Visit(record);
      continue;
    }
    if (depth >= kMaxSequenceDepth) return false;
    ElementReaderState state;
    state.explicitVR = LooksExplicit(ValueBytes(record), !record.Is(tag::kItem));
    TagList expanded;
    if (!ExpandSequence(state, record, expanded)) return false;
    // A sequence without VR letters is closed like an item by the expansion; here it is
    // known to be a sequence.
    if (!record.Is(tag::kItem)) expanded.back() = SequenceDelimiter();
    if (!Read(expanded, depth + 1)) return false;
  }
  return true;
}

void WaveformReader::Visit(const TagRecord& record) {
  if (record.group == kItemGroup) {
    if (record.Is(tag::kItem)) {
      BeginItem();
      // An item of defined length read whole holds nothing the reader needs.
      if (!record.HasUndefinedLength()) EndItem();
    } else if (record.Is(tag::kItemDelimitationItem)) {
      EndItem();
    } else if (record.Is(tag::kSequenceDelimitationItem)) {
      EndSequence();
    }
    return;
  }

  const Place place = CurrentPlace();
  switch (place) {
    case Place::kTop:
      TopElement(record);
      break;
    case Place::kWaveformItem:
      WaveformElement(record);
      break;
    case Place::kChannelItem:
      ChannelElement(record);
      break;
    case Place::kChannelSourceItem:
      if (record.Is(tag::kCodeMeaning) && channel_) channel_->codeMeaning = TrimmedText(record);
      break;
    case Place::kUnitsItem:
      if (record.Is(tag::kCodeValue) && channel_) channel_->units = TrimmedText(record);
      break;
    case Place::kElsewhere:
      break;
  }

  // Sequences (and encapsulated pixel data) of undefined length: their items follow.
  if (record.HasUndefinedLength()) {
    levels_.push_back({record.GetTag(), ItemPlace(place, record.GetTag())});
  }
}

void WaveformReader::BeginItem() {
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (level.inItem) EndItem();
  level.inItem = true;
  ++level.items;
  if (level.itemPlace == Place::kChannelItem && waveform_) ++waveform_->channelDefinitionItems;
}

void WaveformReader::EndItem() {
  if (levels_.empty() || !levels_.back().inItem) return;
  Level& level = levels_.back();
  level.inItem = false;
  // What the item opened and did not complete is dropped.
  if (level.itemPlace == Place::kWaveformItem) {
    waveform_.reset();
    channel_.reset();
  } else if (level.itemPlace == Place::kChannelItem) {
    channel_.reset();
  }
}

void WaveformReader::EndSequence() {
  if (levels_.empty()) return;
  EndItem();
  levels_.pop_back();
}

void WaveformReader::TopElement(const TagRecord& record) {
  switch (record.GetTag().Value()) {
    case tag::kSpecificCharacterSet.Value():
      study_.specificCharacterSet = TrimmedText(record);
      break;
    case tag::kSOPClassUID.Value():
      study_.sopClassUid = TrimmedText(record);
      break;
    case tag::kStudyDate.Value():
      study_.studyDate = FormatStudyDate(TrimmedText(record));
      break;
    case tag::kStudyTime.Value():
      study_.studyTime = FormatStudyTime(TrimmedText(record));
      break;
    case tag::kModality.Value():
      study_.modality = TrimmedText(record);
      break;
    case tag::kInstitutionName.Value():
      study_.institutionName = TrimmedText(record);
      break;
    case tag::kPatientName.Value():
      study_.patientName = TrimmedText(record);
      break;
    case tag::kPatientID.Value():
      study_.patientId = TrimmedText(record);
      break;
    case tag::kPatientBirthDate.Value():
      study_.patientBirthDate = TrimmedText(record);
      break;
    case tag::kPatientSex.Value():
      study_.patientSex = TrimmedText(record);
      break;
    default:
      break;
  }
}

void WaveformReader::WaveformElement(const TagRecord& record) {
  if (record.Is(tag::kWaveformOriginality)) {
    waveform_.emplace();
    channel_.reset();
    waveform_->waveformOriginality = TrimmedText(record);
    return;
  }
  if (!waveform_) return;
  switch (record.GetTag().Value()) {
    case tag::kNumberOfWaveformChannels.Value():
      waveform_->numberOfWaveformChannels = FirstUS(record);
      break;
    case tag::kNumberOfWaveformSamples.Value():
      waveform_->numberOfWaveformSamples = FirstUL(record);
      break;
    case tag::kSamplingFrequency.Value(): {
      const std::optional<double> hertz = FirstDecimalValue(ValueText(record));
      const bool fits = hertz && *hertz >= 0 && *hertz < std::numeric_limits<int>::max();
      waveform_->samplingFrequency = fits ? static_cast<int>(std::trunc(*hertz)) : 0;
      break;
    }
    case tag::kWaveformBitsAllocated.Value():
      waveform_->waveformBitsAllocated = FirstUS(record);
      break;
    case tag::kWaveformSampleInterpretation.Value():
      waveform_->waveformSampleInterpretation = TrimmedText(record);
      break;
    case tag::kWaveformData.Value(): {
      const std::span<const uint8_t> data = ValueBytes(record);
      waveform_->waveformData.assign(data.begin(), data.end());
      study_.waveforms.push_back(std::move(*waveform_));
      waveform_.reset();
      channel_.reset();
      break;
    }
    default:
      break;
  }
}

void WaveformReader::ChannelElement(const TagRecord& record) {
  if (record.Is(tag::kChannelSourceSequence)) {
    if (!waveform_) return;
    channel_.emplace();
    channel_->multiplexPosition = levels_.back().items - 1;
    return;
  }
  if (!channel_) return;
  const auto decimal = [&record] { return FirstDecimalValue(ValueText(record)).value_or(0.0); };
  switch (record.GetTag().Value()) {
    case tag::kChannelSensitivity.Value():
      channel_->channelSensitivity = decimal();
      break;
    case tag::kChannelSensitivityCorrectionFactor.Value():
      channel_->channelSensitivityCorrectionFactor = decimal();
      break;
    case tag::kChannelBaseline.Value():
      channel_->channelBaseline = decimal();
      if (waveform_) waveform_->channels.push_back(std::move(*channel_));
      channel_.reset();
      break;
    default:
      break;
  }
}

}  // namespace

StudyReading ReadWaveformStudy(const TagList& dataset) {
  WaveformReader reader;
  const bool intact = reader.Read(dataset, 0);
  StudyReading reading = std::move(reader).Result();
  reading.sequencesIntact = reading.sequencesIntact && intact;
  return reading;
}

}  // namespace norvane
