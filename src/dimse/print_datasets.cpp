#include "dimse/print_datasets.hpp"

#include <array>
#include <utility>

#include "datadec/element_encoding.hpp"
#include "datadec/element_reader.hpp"
#include "dimse/dimse_command.hpp"
#include "elements/flat_sequence.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "elements/top_level.hpp"
#include "net/uids.hpp"
#include "printimage/print_pixel_module.hpp"

namespace norvane {
namespace {

TagRecord UIDRecord(Tag tag, std::string_view uid) {
  return GenerateUIDTag(tag, uid);
}

void AddText(TagList& list, Tag tag, std::string_view vr, const std::string& text) {
  if (!text.empty()) list.push_back(PrintTextTag(tag, vr, text));
}

// Takes the references from the elements of one item (implicit VR little endian), up to
// its end, its delimiter, or a nested sequence of undefined length.
void TakeReferences(std::span<const uint8_t> content, ImageBoxReference& reference) {
  ElementReader reader(content, false, false);
  while (std::optional<TagRecord> record = ReadElement(reader)) {
    if (record->HasUndefinedLength() || record->Is(tag::kItemDelimitationItem)) return;
    if (record->Is(tag::kReferencedSOPClassUID)) {
      reference.sopClass = std::string(UIDText(*record));
    } else if (record->Is(tag::kReferencedSOPInstanceUID)) {
      reference.sopInstance = std::string(UIDText(*record));
    }
  }
}

// The first item of a sequence value of defined length.
void TakeFirstItem(std::span<const uint8_t> sequence, ImageBoxReference& reference) {
  ElementReader reader(sequence, false, false);
  const std::optional<ElementHeader> item = ReadElementHeader(reader);
  if (!item || Tag{item->group, item->element} != tag::kItem) return;
  if (item->length == kUndefinedLength) {
    TakeReferences(sequence.subspan(reader.position), reference);
  } else if (const auto content = ReadElementValue(reader, item->length)) {
    TakeReferences(*content, reference);
  }
}

// The first item of a sequence held flat, starting at the record after its header.
void TakeFirstFlatItem(const TagList& list, size_t at, ImageBoxReference& reference) {
  if (at >= list.size() || !list[at].Is(tag::kItem)) return;
  if (!list[at].HasUndefinedLength()) {
    TakeReferences(ValueBytes(list[at]), reference);
    return;
  }
  for (size_t i = at + 1; i < list.size(); ++i) {
    const TagRecord& record = list[i];
    if (record.group == kItemGroup || record.HasUndefinedLength()) return;
    if (record.Is(tag::kReferencedSOPClassUID)) {
      reference.sopClass = std::string(UIDText(record));
    } else if (record.Is(tag::kReferencedSOPInstanceUID)) {
      reference.sopInstance = std::string(UIDText(record));
    }
  }
}

}  // namespace

TagRecord PrintTextTag(Tag tag, std::string_view vr, std::string_view text) {
  return GeneratePaddedTag(tag, vr, text);
}

TagList FilmSessionDataset(const FilmSessioncfg& session) {
  TagList list;
  AddText(list, tag::kNumberOfCopies, "IS", session.NumberOfCopies);
  AddText(list, tag::kPrintPriority, "CS", session.PrintPriority);
  AddText(list, tag::kMediumType, "CS", session.MediumType);
  AddText(list, tag::kFilmDestination, "CS", session.FilmDestination);
  return list;
}

TagList FilmBoxDataset(const FilmBoxcfg& box, std::string_view filmSessionUID) {
  TagList list;
  AddText(list, tag::kImageDisplayFormat, "CS", box.ImageDisplayFormat);
  AddText(list, tag::kFilmOrientation, "CS", box.FilmOrientation);
  AddText(list, tag::kFilmSizeID, "CS", box.FilmSizeID);
  AddText(list, tag::kMagnificationType, "CS", box.MagnificationType);
  AddText(list, tag::kBorderDensity, "CS", box.BorderDensity);
  AddText(list, tag::kEmptyImageDensity, "CS", box.EmptyImageDensity);
  AddText(list, tag::kMinDensity, "CS", box.MinDensity);
  AddText(list, tag::kMaxDensity, "CS", box.MaxDensity);
  list.push_back(GenerateTextTag(tag::kConfigurationInformation, "ST", ""));
  list.push_back(UndefinedLengthHeader(tag::kReferencedFilmSessionSequence, "SQ"));
  list.push_back(ItemHeader());
  list.push_back(UIDRecord(tag::kReferencedSOPClassUID, uid::kBasicFilmSession));
  list.push_back(UIDRecord(tag::kReferencedSOPInstanceUID, filmSessionUID));
  list.push_back(ItemDelimiter());
  list.push_back(SequenceDelimiter());
  return list;
}

std::optional<TagList> ImageBoxDataset(const Raster& bitmap, bool color, int planar) {
  TagList list;
  list.push_back(GenerateUSTag(tag::kImageBoxPosition, 1));
  list.push_back(PrintTextTag(tag::kPolarity, "CS", "NORMAL"));
  list.push_back(UndefinedLengthHeader(
      color ? tag::kBasicColorImageSequence : tag::kBasicGrayscaleImageSequence, "SQ"));
  list.push_back(ItemHeader());
  if (!AddImagePixelModule(bitmap, list, planar)) return std::nullopt;
  list.push_back(ItemDelimiter());
  list.push_back(SequenceDelimiter());
  return list;
}

ImageBoxReference ReadImageBoxReference(const TagList& filmBoxResponse) {
  ImageBoxReference reference;
  const TagRecord* sequence = FindTopLevel(filmBoxResponse, tag::kReferencedImageBoxSequence);
  if (sequence == nullptr) return reference;
  if (sequence->HasUndefinedLength()) {
    const auto at = static_cast<size_t>(sequence - filmBoxResponse.data());
    TakeFirstFlatItem(filmBoxResponse, at + 1, reference);
  } else {
    TakeFirstItem(ValueBytes(*sequence), reference);
  }
  return reference;
}

}  // namespace norvane
