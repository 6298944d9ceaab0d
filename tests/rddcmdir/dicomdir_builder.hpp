#pragma once

// DICOMDIR files built byte by byte for the directory reader tests: records in any file
// order, linked by index, with offsets computed from the encoding.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "datadec/element_encoding.hpp"
#include "elements/byte_order.hpp"
#include "elements/tag_record.hpp"

namespace norvane::testing {

using Bytes = std::vector<uint8_t>;

inline TagRecord Element(uint16_t group, uint16_t element, std::string_view vr, Bytes value) {
  TagRecord r;
  r.group = group;
  r.element = element;
  r.SetVR(vr);
  r.length = static_cast<uint32_t>(value.size());
  r.value = std::move(value);
  return r;
}

inline TagRecord TextElement(uint16_t group, uint16_t element, std::string_view vr,
                             std::string_view text) {
  return Element(group, element, vr, Bytes(text.begin(), text.end()));
}

struct DirRecord {
  std::string type;  // Directory Record Type as stored, pad included
  TagList elements;  // the record's elements after its type
  int next = -1;     // index of the next record at the same level, -1 for none
  int lower = -1;    // index of the first record one level lower, -1 for none
  std::optional<uint32_t> nextOffset = {};   // a raw offset instead of `next`
  std::optional<uint32_t> lowerOffset = {};  // a raw offset instead of `lower`
  bool withNext = true;                      // false: no (0004,1400) element at all
  bool withLower = true;                     // false: no (0004,1420) element at all
};

struct DirLayout {
  bool explicitVR = true;
  bool bigEndian = false;
  bool undefinedItems = true;  // items of undefined length with delimiters, else defined
  std::optional<uint32_t> rootOffset = {};  // a raw root offset instead of record `root`
  bool withRoot = true;
};

class DicomdirBuilder {
 public:
  DicomdirBuilder(std::vector<DirRecord> records, int root, DirLayout layout = {})
      : records_(std::move(records)), root_(root), layout_(layout) {}

  Bytes Build() {
    positions_.assign(records_.size(), 0);
    Encode();  // with every offset 0, to learn where each record starts
    return Encode();
  }

  // Offset of record `i` in the last file built.
  uint32_t Offset(size_t i) const { return positions_.at(i); }

  // The records ReadDCMDIR gives for record `i`: its marker and elements, and with
  // undefined-length items the Item Delimitation Item that closes it.
  TagList Expected(size_t i, std::string_view marker) const {
    TagList out;
    out.push_back(TextElement(0x0004, 0x1430, layout_.explicitVR ? "CS" : "", marker));
    for (const TagRecord& r : records_[i].elements)
      out.push_back(AsRead(r));
    if (layout_.undefinedItems) out.push_back(Element(0xFFFE, 0xE00D, "", {}));
    return out;
  }

 private:
  TagRecord AsRead(TagRecord r) const {
    if (!layout_.explicitVR || r.group == kItemGroup) r.SetVR("");
    return r;
  }

  TagRecord UL(uint16_t group, uint16_t element, uint32_t n) const {
    Bytes b(4);
    StoreU32(b.data(), n, layout_.bigEndian);
    return Element(group, element, "UL", b);
  }

  uint32_t Link(int index, std::optional<uint32_t> raw) const {
    if (raw) return *raw;
    return index < 0 ? 0 : positions_.at(static_cast<size_t>(index));
  }

  TagList RecordContent(const DirRecord& d) const {
    TagList content;
    if (d.withNext) content.push_back(UL(0x0004, 0x1400, Link(d.next, d.nextOffset)));
    Bytes inUse(2);
    StoreU16(inUse.data(), 0xFFFF, layout_.bigEndian);
    content.push_back(Element(0x0004, 0x1410, "US", inUse));
    if (d.withLower) content.push_back(UL(0x0004, 0x1420, Link(d.lower, d.lowerOffset)));
    content.push_back(TextElement(0x0004, 0x1430, "CS", d.type));
    for (const TagRecord& r : d.elements)
      content.push_back(r);
    return content;
  }

  Bytes Encode() {
    const ByteOrder order = layout_.bigEndian ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian;
    const char* uid = !layout_.explicitVR ? "1.2.840.10008.1.2\0"
                      : layout_.bigEndian ? "1.2.840.10008.1.2.2\0"
                                          : "1.2.840.10008.1.2.1\0";
    const std::string ts(uid, std::string_view(uid).size() + 1);
    TagList meta = {Element(0x0002, 0x0000, "UL", {0, 0, 0, 0}),
                    Element(0x0002, 0x0001, "OB", {0x00, 0x01}),
                    TextElement(0x0002, 0x0002, "UI", std::string("1.2.840.10008.1.3.10", 20)),
                    TextElement(0x0002, 0x0010, "UI", ts)};
    const uint32_t metaLength = static_cast<uint32_t>(EncodedLength(meta, true) - 12);
    StoreU32(meta[0].value.data(), metaLength, false);

    Bytes file(132, 0);
    const char magic[] = "DICM";
    std::copy(magic, magic + 4, file.begin() + 128);
    Append(file, meta, ByteOrder::kLittleEndian);

    TagList head = {TextElement(0x0004, 0x1130, "CS", "TESTSET ")};
    if (layout_.withRoot) head.push_back(UL(0x0004, 0x1200, Link(root_, layout_.rootOffset)));
    head.push_back(UL(0x0004, 0x1202, 0));
    TagRecord sq = Element(0x0004, 0x1220, "SQ", {});
    sq.length = kUndefinedLength;
    head.push_back(sq);
    Append(file, head, order);

    for (size_t i = 0; i < records_.size(); ++i) {
      positions_[i] = static_cast<uint32_t>(file.size());
      const TagList content = RecordContent(records_[i]);
      TagRecord item = Element(0xFFFE, 0xE000, "", {});
      if (layout_.undefinedItems) {
        item.length = kUndefinedLength;
        Append(file, {item}, order);
        Append(file, content, order);
        Append(file, {Element(0xFFFE, 0xE00D, "", {})}, order);
      } else {
        item.value = EncodeTags(content, layout_.explicitVR, order).value();
        item.length = static_cast<uint32_t>(item.value.size());
        Append(file, {item}, order);
      }
    }
    Append(file, {Element(0xFFFE, 0xE0DD, "", {})}, order);
    return file;
  }

  void Append(Bytes& file, const TagList& list, ByteOrder order) const {
    const Bytes bytes = EncodeTags(list, layout_.explicitVR, order).value();
    file.insert(file.end(), bytes.begin(), bytes.end());
  }

  std::vector<DirRecord> records_;
  int root_;
  DirLayout layout_;
  std::vector<uint32_t> positions_;
};

}  // namespace norvane::testing
