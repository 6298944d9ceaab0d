#include "convert/convert_dataset.hpp"

#include <new>

#include "convert/group_length.hpp"
#include "convert/lossy_compression.hpp"
#include "convert/pixel_data_conversion.hpp"
#include "convert/pixel_module.hpp"
#include "convert/supported_syntaxes.hpp"
#include "convert/transcode_sequence.hpp"
#include "convert/value_swap.hpp"
#include "dictionary/dictionary.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

// A record with the source record's tag, VR (the dictionary's when implicit data left it
// without one) and length, and no value yet.
TagRecord Header(const TagRecord& record) {
  TagRecord header;
  header.group = record.group;
  header.element = record.element;
  header.vr[0] = record.vr[0];
  header.vr[1] = record.vr[1];
  header.length = record.length;
  if (!header.HasVR()) LookupVR(header);
  return header;
}

ConvertStatus Convert(TagList& output, const TagList& source, const TransferSyntax& from,
                      const TransferSyntax& to, const CodingOptions& options) {
  const bool swap = from.order != to.order;
  const bool reencode = swap || from.explicitVR != to.explicitVR;
  PixelModule module;
  std::optional<PixelDataOutcome> pixels;
  size_t i = 0;
  while (i < source.size()) {
    const TagRecord& record = source[i];
    TagRecord converted = Header(record);
    module.Note(record, from.BigEndian(), output.size());
    if (IsPixelData(record)) {
      ConvertStatus status = ConvertStatus::kOk;
      pixels = ConvertPixelData(source, i, converted, module, from, to, options, output, status);
      if (!pixels) return status;
      i = pixels->next;
      continue;
    }
    if (reencode && HoldsEncodedContent(converted)) {
      // Sequences of defined length, and items of defined length inside flat sequences,
      // hold encoded elements: they are decoded and encoded again.
      TagList content;
      if (!TranscodeSequence(record, content, from.explicitVR, from.order, to.explicitVR,
                             to.order) ||
          !EncodeList(converted, content, to.explicitVR, to.order)) {
        return ConvertStatus::kMalformedSequence;
      }
    } else {
      const std::span<const uint8_t> value = ValueBytes(record);
      converted.value.assign(value.begin(), value.end());
      if (swap) SwapBytes(converted.value, SwapUnit(converted.vr));
    }
    output.push_back(std::move(converted));
    ++i;
  }
  if (pixels) MarkLossyCompression(output, *pixels);
  return ConvertStatus::kOk;
}

}  // namespace

ConvertStatus ConvertDataset(TagList& output, const TagList& source, std::string_view targetUid,
                             std::string_view sourceUid) {
  return ConvertDataset(output, source, targetUid, sourceUid, CodingOptions{});
}

ConvertStatus ConvertDataset(TagList& output, const TagList& source, std::string_view targetUid,
                             std::string_view sourceUid, const CodingOptions& options) {
  if (!ValidCodingOptions(options)) return ConvertStatus::kCodingOptions;
  if (UidText(targetUid) == UidText(sourceUid)) {
    CopyTags(output, source);
    return ConvertStatus::kOk;
  }
  const std::optional<TransferSyntax> from = FindTransferSyntax(sourceUid);
  if (!from) return ConvertStatus::kUnsupportedSourceSyntax;
  const std::optional<TransferSyntax> to = FindTransferSyntax(targetUid);
  if (!to) return ConvertStatus::kUnsupportedTargetSyntax;

  const size_t before = output.size();
  ConvertStatus status = ConvertStatus::kOk;
  try {
    TagList records;
    status = Convert(records, source, *from, *to, options);
    if (status == ConvertStatus::kOk) {
      SetGroupLengths(records, to->explicitVR, to->order);
      output.reserve(before + records.size());
      std::move(records.begin(), records.end(), std::back_inserter(output));
    }
  } catch (const std::bad_alloc&) {
    // Sizes come from the data; a dataset too large for memory is a failed conversion.
    status = ConvertStatus::kOutOfMemory;
  }
  if (status != ConvertStatus::kOk) output.resize(before);
  return status;
}

bool ConvertTS(TagList& list, std::string_view targetUid, std::string_view sourceUid) {
  TagList output;
  if (ConvertDataset(output, list, targetUid, sourceUid) != ConvertStatus::kOk) return false;
  list = std::move(output);
  return true;
}

}  // namespace norvane
