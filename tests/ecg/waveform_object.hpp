#pragma once

// Waveform objects built for tests, as element lists in the forms the readers produce:
// sequences expanded flat with delimiters, or held as one element of encoded items
// (explicit or implicit VR little endian). The encoder here is the test's own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tag_record.hpp"
#include "elements/tags.hpp"

namespace norvane::testing {

struct Element;
using Dataset = std::vector<Element>;

struct Element {
  uint16_t group = 0;
  uint16_t element = 0;
  std::string vr;
  std::vector<uint8_t> value;
  bool sequence = false;
  std::vector<Dataset> items;
};

enum class SequenceForm {
  kFlat,                  // sequences and items of undefined length, with delimiters
  kFlatWithEncodedItems,  // sequence headers of undefined length, each item one record
  kEncodedExplicit,       // each top-level sequence one record, explicit VR inside
  kEncodedImplicit,       // the same in implicit VR, records without VR letters
};

inline constexpr SequenceForm kAllForms[] = {
    SequenceForm::kFlat, SequenceForm::kFlatWithEncodedItems, SequenceForm::kEncodedExplicit,
    SequenceForm::kEncodedImplicit};

// The encoded content of a dataset (no item header), explicit or implicit VR little endian,
// nested sequences with defined lengths.
inline std::vector<uint8_t> EncodeDataset(const Dataset& dataset, bool explicitVR);

struct ChannelSpec {
  std::string meaning = "Lead I";
  std::string sensitivity = "1";
  std::string units = "uV";
  bool withSource = true;
  bool withBaseline = true;
};

struct WaveformSpec {
  std::string originality = "ORIGINAL";
  std::optional<uint16_t> numberOfChannels;  // default: the number of definitions
  uint32_t samples = 0;
  std::string frequency = "500";
  std::optional<uint16_t> bits = 16;
  std::string interpretation = "SS";
  std::vector<ChannelSpec> definitions;
  std::optional<std::vector<uint8_t>> data;  // none: no Waveform Data element
  Dataset extra;                             // more elements of the item, placed first
};

struct WaveformObjectSpec {
  std::string modality = "ECG";
  std::string patientName = "DOE^JANE";
  std::string patientId = "ID42";
  std::string birthDate = "19710123";
  std::string sex = "F";
  std::optional<std::string> studyDate = "20130125";
  std::optional<std::string> studyTime = "105919";
  std::string characterSet;  // none when empty
  Dataset extra;             // more top-level elements, placed before the waveforms
  std::vector<WaveformSpec> waveforms;
};

namespace waveform_object_detail {

inline void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline bool LongForm(std::string_view vr) {
  return vr == "OB" || vr == "OW" || vr == "SQ" || vr == "UN" || vr == "UT";
}

inline void PutHeader(std::vector<uint8_t>& out, uint16_t group, uint16_t element,
                      std::string_view vr, uint32_t length, bool explicitVR) {
  PutU16(out, group);
  PutU16(out, element);
  if (!explicitVR || group == kItemGroup) {
    PutU32(out, length);
  } else if (LongForm(vr)) {
    out.push_back(static_cast<uint8_t>(vr[0]));
    out.push_back(static_cast<uint8_t>(vr[1]));
    PutU16(out, 0);
    PutU32(out, length);
  } else {
    out.push_back(static_cast<uint8_t>(vr[0]));
    out.push_back(static_cast<uint8_t>(vr[1]));
    PutU16(out, static_cast<uint16_t>(length));
  }
}

inline std::vector<uint8_t> EncodeItems(const std::vector<Dataset>& items, bool explicitVR) {
  std::vector<uint8_t> out;
  for (const Dataset& item : items) {
    const std::vector<uint8_t> content = EncodeDataset(item, explicitVR);
    PutHeader(out, kItemGroup, tag::kItem.element, "", static_cast<uint32_t>(content.size()),
              false);
    out.insert(out.end(), content.begin(), content.end());
  }
  return out;
}

inline TagRecord Record(uint16_t group, uint16_t element, std::string_view vr, uint32_t length,
                        std::vector<uint8_t> value) {
  TagRecord record;
  record.group = group;
  record.element = element;
  record.SetVR(vr);
  record.length = length;
  record.value = std::move(value);
  return record;
}

inline TagRecord Delimiter(uint16_t element) {
  return Record(kItemGroup, element, "", 0, {});
}

inline void AppendFlat(const Dataset& dataset, SequenceForm form, bool explicitVR, TagList& out) {
  for (const Element& e : dataset) {
    const std::string vr = explicitVR ? e.vr : "";
    if (!e.sequence) {
      out.push_back(Record(e.group, e.element, vr, static_cast<uint32_t>(e.value.size()), e.value));
      continue;
    }
    out.push_back(Record(e.group, e.element, vr, kUndefinedLength, {}));
    for (const Dataset& item : e.items) {
      if (form == SequenceForm::kFlatWithEncodedItems) {
        std::vector<uint8_t> content = EncodeDataset(item, explicitVR);
        const auto length = static_cast<uint32_t>(content.size());
        out.push_back(Record(kItemGroup, tag::kItem.element, "", length, std::move(content)));
      } else {
        out.push_back(Record(kItemGroup, tag::kItem.element, "", kUndefinedLength, {}));
        AppendFlat(item, form, explicitVR, out);
        out.push_back(Delimiter(tag::kItemDelimitationItem.element));
      }
    }
    out.push_back(Delimiter(tag::kSequenceDelimitationItem.element));
  }
}

}  // namespace waveform_object_detail

using namespace waveform_object_detail;

inline Element BytesElement(uint16_t group, uint16_t element, std::string_view vr,
                            std::vector<uint8_t> bytes) {
  Element e;
  e.group = group;
  e.element = element;
  e.vr = std::string(vr);
  e.value = std::move(bytes);
  return e;
}

// A text element, padded to even length (NUL for UI, else a space).
inline Element TextElement(uint16_t group, uint16_t element, std::string_view vr,
                           std::string_view text) {
  Element e = BytesElement(group, element, vr, std::vector<uint8_t>(text.begin(), text.end()));
  if (e.value.size() % 2 != 0) e.value.push_back(vr == "UI" ? 0 : ' ');
  return e;
}

inline Element USElement(uint16_t group, uint16_t element, uint16_t value) {
  Element e = BytesElement(group, element, "US", {});
  PutU16(e.value, value);
  return e;
}

inline Element ULElement(uint16_t group, uint16_t element, uint32_t value) {
  Element e = BytesElement(group, element, "UL", {});
  PutU32(e.value, value);
  return e;
}

inline Element SequenceElement(uint16_t group, uint16_t element, std::vector<Dataset> items) {
  Element e = BytesElement(group, element, "SQ", {});
  e.sequence = true;
  e.items = std::move(items);
  return e;
}

inline const char* FormName(SequenceForm form) {
  switch (form) {
    case SequenceForm::kFlat:
      return "flat";
    case SequenceForm::kFlatWithEncodedItems:
      return "flat with encoded items";
    case SequenceForm::kEncodedExplicit:
      return "encoded explicit";
    case SequenceForm::kEncodedImplicit:
      return "encoded implicit";
  }
  return "?";
}

inline std::vector<uint8_t> EncodeDataset(const Dataset& dataset, bool explicitVR) {
  std::vector<uint8_t> out;
  for (const Element& e : dataset) {
    const std::vector<uint8_t> value = e.sequence ? EncodeItems(e.items, explicitVR) : e.value;
    PutHeader(out, e.group, e.element, e.vr, static_cast<uint32_t>(value.size()), explicitVR);
    out.insert(out.end(), value.begin(), value.end());
  }
  return out;
}

inline TagList ToTagList(const Dataset& dataset, SequenceForm form) {
  TagList out;
  if (form == SequenceForm::kFlat || form == SequenceForm::kFlatWithEncodedItems) {
    AppendFlat(dataset, form, true, out);
    return out;
  }
  const bool explicitVR = form == SequenceForm::kEncodedExplicit;
  for (const Element& e : dataset) {
    std::vector<uint8_t> value = e.sequence ? EncodeItems(e.items, explicitVR) : e.value;
    const auto length = static_cast<uint32_t>(value.size());
    out.push_back(Record(e.group, e.element, explicitVR ? e.vr : "", length, std::move(value)));
  }
  return out;
}

inline Dataset WaveformObject(const WaveformObjectSpec& spec) {
  Dataset top;
  if (!spec.characterSet.empty())
    top.push_back(TextElement(0x0008, 0x0005, "CS", spec.characterSet));
  top.push_back(TextElement(0x0008, 0x0016, "UI", "1.2.840.10008.5.1.4.1.1.9.1.1"));
  if (spec.studyDate) top.push_back(TextElement(0x0008, 0x0020, "DA", *spec.studyDate));
  if (spec.studyTime) top.push_back(TextElement(0x0008, 0x0030, "TM", *spec.studyTime));
  top.push_back(TextElement(0x0008, 0x0060, "CS", spec.modality));
  top.push_back(TextElement(0x0008, 0x0080, "LO", "General Hospital"));
  top.push_back(TextElement(0x0010, 0x0010, "PN", spec.patientName));
  top.push_back(TextElement(0x0010, 0x0020, "LO", spec.patientId));
  top.push_back(TextElement(0x0010, 0x0030, "DA", spec.birthDate));
  top.push_back(TextElement(0x0010, 0x0040, "CS", spec.sex));
  top.insert(top.end(), spec.extra.begin(), spec.extra.end());

  std::vector<Dataset> groups;
  for (const WaveformSpec& w : spec.waveforms) {
    Dataset item = w.extra;
    item.push_back(TextElement(0x003A, 0x0004, "CS", w.originality));
    item.push_back(USElement(
        0x003A, 0x0005, w.numberOfChannels.value_or(static_cast<uint16_t>(w.definitions.size()))));
    item.push_back(ULElement(0x003A, 0x0010, w.samples));
    item.push_back(TextElement(0x003A, 0x001A, "DS", w.frequency));
    std::vector<Dataset> definitions;
    for (const ChannelSpec& c : w.definitions) {
      Dataset d;
      if (c.withSource) {
        d.push_back(SequenceElement(0x003A, 0x0208,
                                    {{TextElement(0x0008, 0x0100, "SH", "5.6.3-9-1"),
                                      TextElement(0x0008, 0x0102, "SH", "SCPECG"),
                                      TextElement(0x0008, 0x0104, "LO", c.meaning)}}));
      }
      d.push_back(TextElement(0x003A, 0x0210, "DS", c.sensitivity));
      d.push_back(SequenceElement(
          0x003A, 0x0211,
          {{TextElement(0x0008, 0x0100, "SH", c.units), TextElement(0x0008, 0x0102, "SH", "UCUM"),
            TextElement(0x0008, 0x0104, "LO", "unit")}}));
      d.push_back(TextElement(0x003A, 0x0212, "DS", "1.0"));
      if (c.withBaseline) d.push_back(TextElement(0x003A, 0x0213, "DS", "0"));
      d.push_back(USElement(0x003A, 0x021A, w.bits.value_or(16)));
      definitions.push_back(std::move(d));
    }
    item.push_back(SequenceElement(0x003A, 0x0200, std::move(definitions)));
    if (w.bits) item.push_back(USElement(0x5400, 0x1004, *w.bits));
    item.push_back(TextElement(0x5400, 0x1006, "CS", w.interpretation));
    if (w.data) item.push_back(BytesElement(0x5400, 0x1010, "OW", *w.data));
    groups.push_back(std::move(item));
  }
  top.push_back(SequenceElement(0x5400, 0x0100, std::move(groups)));
  return top;
}

// Samples of several channels interleaved as 16-bit little-endian values.
inline std::vector<uint8_t> Interleave16(const std::vector<std::vector<int16_t>>& channels) {
  std::vector<uint8_t> out;
  const size_t samples = channels.empty() ? 0 : channels[0].size();
  for (size_t s = 0; s < samples; ++s) {
    for (const auto& channel : channels)
      PutU16(out, static_cast<uint16_t>(channel[s]));
  }
  return out;
}

// `channels` channels of `samples` equal values.
inline std::vector<uint8_t> Constant16(int16_t value, uint32_t samples, size_t channels = 1) {
  return Interleave16(
      std::vector<std::vector<int16_t>>(channels, std::vector<int16_t>(samples, value)));
}

}  // namespace norvane::testing
