#include "ecg/waveform_reader.hpp"

#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "datadec/expand_sequence.hpp"
#include "ecg/element_values.hpp"
#include "ecg/study_text.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

constexpr uint32_t Tag(uint16_t group, uint16_t element) {
  return (uint32_t{group} << 16) | element;
}

constexpr uint32_t kSpecificCharacterSet = Tag(0x0008, 0x0005);
constexpr uint32_t kSopClassUid = Tag(0x0008, 0x0016);
constexpr uint32_t kStudyDate = Tag(0x0008, 0x0020);
constexpr uint32_t kStudyTime = Tag(0x0008, 0x0030);
constexpr uint32_t kModality = Tag(0x0008, 0x0060);
constexpr uint32_t kInstitutionName = Tag(0x0008, 0x0080);
constexpr uint32_t kPatientName = Tag(0x0010, 0x0010);
constexpr uint32_t kPatientId = Tag(0x0010, 0x0020);
constexpr uint32_t kPatientBirthDate = Tag(0x0010, 0x0030);
constexpr uint32_t kPatientSex = Tag(0x0010, 0x0040);

constexpr uint32_t kWaveformSequence = Tag(0x5400, 0x0100);
constexpr uint32_t kWaveformOriginality = Tag(0x003A, 0x0004);
constexpr uint32_t kNumberOfWaveformChannels = Tag(0x003A, 0x0005);
constexpr uint32_t kNumberOfWaveformSamples = Tag(0x003A, 0x0010);
constexpr uint32_t kSamplingFrequency = Tag(0x003A, 0x001A);
constexpr uint32_t kWaveformBitsAllocated = Tag(0x5400, 0x1004);
constexpr uint32_t kWaveformSampleInterpretation = Tag(0x5400, 0x1006);
constexpr uint32_t kWaveformData = Tag(0x5400, 0x1010);

constexpr uint32_t kChannelDefinitionSequence = Tag(0x003A, 0x0200);
constexpr uint32_t kChannelSourceSequence = Tag(0x003A, 0x0208);
constexpr uint32_t kChannelSensitivity = Tag(0x003A, 0x0210);
constexpr uint32_t kChannelSensitivityUnitsSequence = Tag(0x003A, 0x0211);
constexpr uint32_t kChannelSensitivityCorrectionFactor = Tag(0x003A, 0x0212);
constexpr uint32_t kChannelBaseline = Tag(0x003A, 0x0213);

constexpr uint32_t kCodeValue = Tag(0x0008, 0x0100);
constexpr uint32_t kCodeMeaning = Tag(0x0008, 0x0104);

// Where in the data set an element stands, as far as the reader cares.
enum class Place : uint8_t {
  kTop,                // the data set itself
  kWaveformItem,       // an item of the Waveform Sequence
  kChannelItem,        // an item of a Channel Definition Sequence
  kChannelSourceItem,  // an item of a channel's Channel Source Sequence
  kUnitsItem,          // an item of a channel's Channel Sensitivity Units Sequence
  kElsewhere,
};

// The place inside the items of sequence `tag` found at `parent`.
Place ItemPlace(Place parent, uint32_t tag) {
  if (parent == Place::kTop && tag == kWaveformSequence) return Place::kWaveformItem;
  if (parent == Place::kWaveformItem && tag == kChannelDefinitionSequence) {
    return Place::kChannelItem;
  }
  if (parent == Place::kChannelItem && tag == kChannelSourceSequence) {
    return Place::kChannelSourceItem;
  }
  if (parent == Place::kChannelItem && tag == kChannelSensitivityUnitsSequence) {
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
    uint32_t tag;
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
  void TopElement(uint32_t tag, const TagRecord& record);
  void WaveformElement(uint32_t tag, const TagRecord& record);
  void ChannelElement(uint32_t tag, const TagRecord& record);

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
  if (record.Is(kItemGroup, kItemElement)) {
    return !levels_.empty() && !levels_.back().inItem &&
           levels_.back().itemPlace != Place::kElsewhere;
  }
  const bool maySequence = !record.HasVR() || record.VRIs("SQ") || record.VRIs("UN");
  return maySequence &&
         ItemPlace(CurrentPlace(), Tag(record.group, record.element)) != Place::kElsewhere;
}

bool WaveformReader::Read(std::span<const TagRecord> records, int depth) {
  for (const TagRecord& record : records) {
    if (!ShouldExpand(record)) {
      Visit(record);
      continue;
    }
    if (depth >= kMaxSequenceDepth) return false;
    ElementReaderState state;
    state.explicitVR = LooksExplicit(ValueBytes(record), !record.Is(kItemGroup, kItemElement));
    TagList expanded;
    if (!ExpandSequence(state, record, expanded)) return false;
    // A sequence without VR letters is closed like an item by the expansion; here it is
    // known to be a sequence.
    if (!record.Is(kItemGroup, kItemElement))
      expanded.back().element = kSequenceDelimitationElement;
    if (!Read(expanded, depth + 1)) return false;
  }
  return true;
}

void WaveformReader::Visit(const TagRecord& record) {
  if (record.group == kItemGroup) {
    if (record.element == kItemElement) {
      BeginItem();
      // An item of defined length read whole holds nothing the reader needs.
      if (!record.HasUndefinedLength()) EndItem();
    } else if (record.element == kItemDelimitationElement) {
      EndItem();
    } else if (record.element == kSequenceDelimitationElement) {
      EndSequence();
    }
    return;
  }

  const uint32_t tag = Tag(record.group, record.element);
  const Place place = CurrentPlace();
  switch (place) {
    case Place::kTop:
      TopElement(tag, record);
      break;
    case Place::kWaveformItem:
      WaveformElement(tag, record);
      break;
    case Place::kChannelItem:
      ChannelElement(tag, record);
      break;
    case Place::kChannelSourceItem:
      if (tag == kCodeMeaning && channel_) channel_->codeMeaning = TrimmedValueText(record);
      break;
    case Place::kUnitsItem:
      if (tag == kCodeValue && channel_) channel_->units = TrimmedValueText(record);
      break;
    case Place::kElsewhere:
      break;
  }

  // Sequences (and encapsulated pixel data) of undefined length: their items follow.
  if (record.HasUndefinedLength()) levels_.push_back({tag, ItemPlace(place, tag)});
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

void WaveformReader::TopElement(uint32_t tag, const TagRecord& record) {
  switch (tag) {
    case kSpecificCharacterSet:
      study_.specificCharacterSet = TrimmedValueText(record);
      break;
    case kSopClassUid:
      study_.sopClassUid = TrimmedValueText(record);
      break;
    case kStudyDate:
      study_.studyDate = FormatStudyDate(TrimmedValueText(record));
      break;
    case kStudyTime:
      study_.studyTime = FormatStudyTime(TrimmedValueText(record));
      break;
    case kModality:
      study_.modality = TrimmedValueText(record);
      break;
    case kInstitutionName:
      study_.institutionName = TrimmedValueText(record);
      break;
    case kPatientName:
      study_.patientName = TrimmedValueText(record);
      break;
    case kPatientId:
      study_.patientId = TrimmedValueText(record);
      break;
    case kPatientBirthDate:
      study_.patientBirthDate = TrimmedValueText(record);
      break;
    case kPatientSex:
      study_.patientSex = TrimmedValueText(record);
      break;
    default:
      break;
  }
}

void WaveformReader::WaveformElement(uint32_t tag, const TagRecord& record) {
  if (tag == kWaveformOriginality) {
    waveform_.emplace();
    channel_.reset();
    waveform_->waveformOriginality = TrimmedValueText(record);
    return;
  }
  if (!waveform_) return;
  switch (tag) {
    case kNumberOfWaveformChannels:
      waveform_->numberOfWaveformChannels = FirstUS(record);
      break;
    case kNumberOfWaveformSamples:
      waveform_->numberOfWaveformSamples = FirstUL(record);
      break;
    case kSamplingFrequency: {
      const std::optional<double> hertz = FirstDecimalValue(TrimmedValueText(record));
      const bool fits = hertz && *hertz >= 0 && *hertz < std::numeric_limits<int>::max();
      waveform_->samplingFrequency = fits ? static_cast<int>(std::trunc(*hertz)) : 0;
      break;
    }
    case kWaveformBitsAllocated:
      waveform_->waveformBitsAllocated = FirstUS(record);
      break;
    case kWaveformSampleInterpretation:
      waveform_->waveformSampleInterpretation = TrimmedValueText(record);
      break;
    case kWaveformData: {
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

void WaveformReader::ChannelElement(uint32_t tag, const TagRecord& record) {
  if (tag == kChannelSourceSequence) {
    if (!waveform_) return;
    channel_.emplace();
    channel_->multiplexPosition = levels_.back().items - 1;
    return;
  }
  if (!channel_) return;
  const auto decimal = [&record] {
    return FirstDecimalValue(TrimmedValueText(record)).value_or(0.0);
  };
  switch (tag) {
    case kChannelSensitivity:
      channel_->channelSensitivity = decimal();
      break;
    case kChannelSensitivityCorrectionFactor:
      channel_->channelSensitivityCorrectionFactor = decimal();
      break;
    case kChannelBaseline:
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
