#include "convert/encapsulated_frames.hpp"

#include "elements/tag_list.hpp"

namespace norvane {
namespace {

TagRecord ItemRecord(uint16_t element, std::vector<uint8_t>&& value) {
  TagRecord record;
  record.group = kItemGroup;
  record.element = element;
  record.SetVR("DL");
  record.length = static_cast<uint32_t>(value.size());
  record.value = std::move(value);
  return record;
}

}  // namespace

std::optional<EncapsulatedFrames> CollectFrames(const TagList& source, size_t index,
                                                uint32_t frames) {
  size_t at = index + 1;
  if (at >= source.size() || !source[at].Is(kItemGroup, kItemElement) ||
      source[at].HasUndefinedLength()) {
    return std::nullopt;  // no basic offset table
  }
  ++at;
  std::vector<std::span<const uint8_t>> fragments;
  for (;; ++at) {
    if (at >= source.size()) return std::nullopt;
    const TagRecord& record = source[at];
    if (record.Is(kItemGroup, kSequenceDelimitationElement)) break;
    if (!record.Is(kItemGroup, kItemElement) || record.HasUndefinedLength()) return std::nullopt;
    fragments.push_back(ValueBytes(record));
  }

  EncapsulatedFrames result;
  result.next = at + 1;
  if (frames == 1 && fragments.size() > 1) {
    FrameStream& frame = result.frames.emplace_back();
    for (const auto& fragment : fragments)
      frame.joined.insert(frame.joined.end(), fragment.begin(), fragment.end());
    frame.bytes = frame.joined;
    return result;
  }
  if (fragments.size() != frames) return std::nullopt;
  result.frames.reserve(fragments.size());
  for (const auto& fragment : fragments)
    result.frames.push_back(FrameStream{fragment, {}});
  return result;
}

void AppendEncapsulated(TagList& out, std::string_view vr,
                        std::vector<std::vector<uint8_t>>&& streams) {
  TagRecord pixelData;
  pixelData.group = 0x7FE0;
  pixelData.element = 0x0010;
  pixelData.SetVR(vr);
  pixelData.length = kUndefinedLength;
  out.push_back(std::move(pixelData));
  out.push_back(ItemRecord(kItemElement, {}));
  for (std::vector<uint8_t>& stream : streams) {
    if (stream.size() % 2 != 0) stream.push_back(0);
    out.push_back(ItemRecord(kItemElement, std::move(stream)));
  }
  out.push_back(ItemRecord(kSequenceDelimitationElement, {}));
}

}  // namespace norvane
