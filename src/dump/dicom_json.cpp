#include "dump/dicom_json.hpp"

#include <cstdio>
#include <span>
#include <string>

#include "datadec/expand_sequence.hpp"
#include "dictionary/dictionary.hpp"
#include "dump/json_value.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

using Json = nlohmann::ordered_json;

std::string TagName(const TagRecord& record) {
  char text[9];
  std::snprintf(text, sizeof text, "%04X%04X", record.group, record.element);
  return text;
}

bool IsDelimiter(const TagRecord& record) {
  return record.Is(tag::kItemDelimitationItem) || record.Is(tag::kSequenceDelimitationItem);
}

class Writer {
 public:
  Writer(const DicomJsonOptions& options, DicomJson& out) : options_(options), out_(out) {}

  // The records from `at` up to a delimiter (left for the caller) or the end, into `object`.
  void Elements(std::span<const TagRecord> records, size_t& at, Json& object, TextEncoding encoding,
                int depth) {
    if (const TagRecord* charset = FindCharset(records, at)) {
      encoding = TextEncodingOf(ValueText(*charset));
    }
    while (at < records.size() && !IsDelimiter(records[at])) {
      const TagRecord& record = records[at];
      if (record.group == kItemGroup || record.element == 0x0000) {
        SkipRecord(records, at);  // a stray item, or a group length
        continue;
      }
      std::string vr = VROf(record);
      // A value of undefined length that is no encapsulated pixel data is a sequence, whatever
      // VR it was read with (UN for one of unknown VR).
      if (record.HasUndefinedLength() && !IsEncapsulated(record, vr)) vr = "SQ";
      Json attribute = Json::object();
      attribute["vr"] = vr;
      if (record.HasUndefinedLength() && vr != "SQ") {
        Fragments(records, at, attribute);
      } else if (record.HasUndefinedLength()) {
        Items(records, at, attribute, encoding, depth);
      } else if (vr == "SQ") {
        DefinedSequence(record, attribute, encoding, depth);
        ++at;
      } else if (record.Is(tag::kSpecificCharacterSet) && encoding != TextEncoding::kUnconverted) {
        // The texts of the document are UTF-8, and the attribute says so.
        attribute["Value"] = Json::array({"ISO_IR 192"});
        ++at;
      } else {
        AddJsonValue(attribute, record, vr,
                     {options_.bigEndian, encoding, options_.inlineBinaryLimit});
        ++at;
      }
      const std::string name = TagName(record);
      if (!object.contains(name)) object[name] = std::move(attribute);
    }
  }

 private:
  // The Specific Character Set among the records of this level, before the first item.
  static const TagRecord* FindCharset(std::span<const TagRecord> records, size_t at) {
    for (; at < records.size() && records[at].group <= tag::kSpecificCharacterSet.group; ++at) {
      if (records[at].Is(tag::kSpecificCharacterSet)) return &records[at];
      if (records[at].group == kItemGroup || records[at].HasUndefinedLength()) break;
    }
    return nullptr;
  }

  // The record's own VR; else the dictionary's, or LO for a private creator (gggg,00xx).
  static std::string VROf(const TagRecord& record) {
    if (record.HasVR()) return std::string(record.VRText());
    if (record.group % 2 == 1 && record.element >= 0x0010 && record.element <= 0x00FF) {
      return "LO";
    }
    TagRecord copy;
    copy.group = record.group;
    copy.element = record.element;
    LookupVR(copy);
    return std::string(copy.VRText());
  }

  static bool IsEncapsulated(const TagRecord& record, std::string_view vr) {
    return record.Is(tag::kPixelData) || vr == "OB" || vr == "OW";
  }

  // Skips a record and, for one of undefined length, everything up to its delimiter.
  static void SkipRecord(std::span<const TagRecord> records, size_t& at) {
    if (!records[at].HasUndefinedLength()) {
      ++at;
      return;
    }
    size_t open = 0;
    do {
      const TagRecord& record = records[at];
      if (record.HasUndefinedLength()) ++open;
      if (IsDelimiter(record)) --open;
      ++at;
    } while (at < records.size() && open > 0);
  }

  void Fragments(std::span<const TagRecord> records, size_t& at, Json& attribute) {
    uint64_t bytes = 0;
    size_t items = 0;
    for (++at; at < records.size(); ++at) {
      const TagRecord& record = records[at];
      if (record.Is(tag::kSequenceDelimitationItem)) {
        ++at;
        break;
      }
      if (!record.Is(tag::kItem)) break;  // the pixel data ended without its delimiter
      // The first item is the basic offset table, not a fragment.
      if (items++ > 0 && record.HasValue()) bytes += record.length;
    }
    attribute["length"] = bytes;
    attribute["fragments"] = items > 0 ? items - 1 : 0;
  }

  // A sequence of undefined length: its items up to the Sequence Delimitation Item.
  void Items(std::span<const TagRecord> records, size_t& at, Json& attribute, TextEncoding encoding,
             int depth) {
    if (depth >= kMaxJsonDepth) {
      out_.nestedTooDeep = true;
      SkipRecord(records, at);
      return;
    }
    Json items = Json::array();
    for (++at; at < records.size();) {
      const TagRecord& record = records[at];
      if (record.Is(tag::kSequenceDelimitationItem)) {
        ++at;
        break;
      }
      if (!record.Is(tag::kItem)) break;  // the sequence ended without its delimiter
      Json item = Json::object();
      if (record.HasUndefinedLength()) {
        ++at;
        Elements(records, at, item, encoding, depth + 1);
        if (at < records.size() && records[at].Is(tag::kItemDelimitationItem)) ++at;
      } else {
        if (record.HasValue()) Expanded(record, item, encoding, depth + 1);
        ++at;
      }
      items.push_back(std::move(item));
    }
    if (!items.empty()) attribute["Value"] = std::move(items);
  }

  // An item of defined length: its elements read from its value.
  void Expanded(const TagRecord& record, Json& item, TextEncoding encoding, int depth) {
    TagList flat;
    if (!Expand(record, flat)) return;
    size_t at = 1;  // after the item header
    Elements(flat, at, item, encoding, depth);
  }

  void DefinedSequence(const TagRecord& record, Json& attribute, TextEncoding encoding, int depth) {
    if (!record.HasValue()) return;
    TagList flat;
    if (!Expand(record, flat)) {
      attribute["length"] = record.length;
      return;
    }
    size_t at = 0;
    Items(flat, at, attribute, encoding, depth);
  }

  bool Expand(const TagRecord& record, TagList& flat) {
    const ElementReaderState state{options_.explicitVR, options_.bigEndian, false};
    if (ExpandSequence(state, record, flat)) return true;
    out_.malformedSequence = true;
    return false;
  }

  const DicomJsonOptions& options_;
  DicomJson& out_;
};

}  // namespace

DicomJson DatasetToJson(const TagList& list, const DicomJsonOptions& options) {
  DicomJson out;
  Writer writer(options, out);
  size_t at = 0;
  while (at < list.size()) {
    writer.Elements(list, at, out.dataset, TextEncoding::kUtf8, 0);
    if (at < list.size()) ++at;  // a stray delimiter at the top level
  }
  return out;
}

}  // namespace norvane
