// The value of a defined-length sequence or item, as the file reader leaves it for later:
// flattened (ExpandSequence), re-encoded in another transfer syntax (TranscodeSequence) and
// dumped into the protocol log (DumpElement). The first byte chooses: bit 0 explicit VR
// source, bit 1 big endian source, bit 2 explicit VR target, bit 3 big endian target,
// bit 4 an item instead of a sequence.

#include <cstddef>
#include <cstdint>

#include "convert/transcode_sequence.hpp"
#include "datadec/expand_sequence.hpp"
#include "dump/dump_element.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size < 1 || size > fuzz::kMaxInput) return 0;
  const uint8_t flags = data[0];
  const bool sourceExplicit = flags & 0x01;
  const bool sourceBig = flags & 0x02;
  const bool targetExplicit = flags & 0x04;
  const bool targetBig = flags & 0x08;
  const bool item = flags & 0x10;
  const std::span<const uint8_t> value(data + 1, size - 1);
  const TagRecord record = item ? GenerateTag(tag::kItem, "", value)
                                : GenerateTag(tag::kReferencedImageSequence, "SQ", value);

  ElementReaderState state;
  state.explicitVR = sourceExplicit;
  state.bigEndian = sourceBig;
  TagList flat;
  ExpandSequence(state, record, flat);

  TagList transcoded;
  TranscodeSequence(record, transcoded, sourceExplicit,
                    sourceBig ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian, targetExplicit,
                    targetBig ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian);

  DumpElement(record, sourceExplicit, item ? 2 : 1);
  return 0;
}
