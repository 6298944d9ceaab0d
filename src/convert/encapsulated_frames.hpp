#pragma once

// The flat list form of encapsulated pixel data: the Pixel Data record of undefined length,
// the basic offset table item, the fragment items, the sequence delimiter.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "elements/tag_record.hpp"

namespace norvane {

// One frame's compressed stream: a view of its fragment, or the fragments joined.
struct FrameStream {
  std::span<const uint8_t> bytes;
  std::vector<uint8_t> joined;
};

struct EncapsulatedFrames {
  std::vector<FrameStream> frames;
  size_t next = 0;  // index of the first record after the sequence delimiter
};

// Reads the items after the Pixel Data record at source[index]. With `frames` 1, any
// number of fragments (at least one) make the frame; otherwise there must be exactly one
// fragment per frame. Nullopt when the shape differs: a missing offset table, an item of
// undefined length, a record other than an item, or the list ending before the delimiter.
std::optional<EncapsulatedFrames> CollectFrames(const TagList& source, size_t index,
                                                uint32_t frames);

// Appends the encapsulated form: Pixel Data (VR `vr`, undefined length), an empty offset
// table item, one item per stream in order (made even with one zero byte), the sequence
// delimiter. Items and delimiter carry VR "DL".
void AppendEncapsulated(TagList& out, std::string_view vr,
                        std::vector<std::vector<uint8_t>>&& streams);

}  // namespace norvane
