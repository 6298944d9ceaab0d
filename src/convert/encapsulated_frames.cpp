#include "convert/encapsulated_frames.hpp"

#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {

std::optional<EncapsulatedFrames> CollectFrames(const TagList& source, size_t index,
                                                uint32_t frames) {
  size_t at = index + 1;
  if (at >= source.size() || !source[at].Is(tag::kItem) || source[at].HasUndefinedLength()) {
    return std::nullopt;  // no basic offset table
  }
  ++at;
  std::vector<std::span<const uint8_t>> fragments;
  for (;; ++at) {
    if (at >= source.size()) return std::nullopt;
    const TagRecord& record = source[at];
    if (record.Is(tag::kSequenceDelimitationItem)) break;
    if (!record.Is(tag::kItem) || record.HasUndefinedLength()) return std::nullopt;
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
  out.push_back(UndefinedLengthHeader(tag::kPixelData, vr));
  out.push_back(ItemRecord({}));  // the basic offset table, empty
  for (std::vector<uint8_t>& stream : streams) {
    if (stream.size() % 2 != 0) stream.push_back(0);
    out.push_back(ItemRecord(std::move(stream)));
  }
  out.push_back(SequenceDelimiter());
}

}  // namespace norvane
