#include "dimse/print_datasets.hpp"

#include <array>
#include <utility>

#include "datadec/element_encoding.hpp"
#include "datadec/element_reader.hpp"
#include "dimse/print_pixel_module.hpp"
#include "elements/tag_list.hpp"
#include "net/command_set.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

constexpr uint16_t kFilmSessionGroup = 0x2000;
constexpr uint16_t kNumberOfCopies = 0x0010;
constexpr uint16_t kPrintPriority = 0x0020;
constexpr uint16_t kMediumType = 0x0030;
constexpr uint16_t kFilmDestination = 0x0040;

constexpr uint16_t kFilmBoxGroup = 0x2010;
constexpr uint16_t kImageDisplayFormat = 0x0010;
constexpr uint16_t kFilmOrientation = 0x0040;
constexpr uint16_t kFilmSizeID = 0x0050;
constexpr uint16_t kMagnificationType = 0x0060;
constexpr uint16_t kBorderDensity = 0x0100;
constexpr uint16_t kEmptyImageDensity = 0x0110;
constexpr uint16_t kMinDensity = 0x0120;
constexpr uint16_t kMaxDensity = 0x0130;
constexpr uint16_t kConfigurationInformation = 0x0150;
constexpr uint16_t kReferencedFilmSessionSequence = 0x0500;
constexpr uint16_t kReferencedImageBoxSequence = 0x0510;

constexpr uint16_t kImageBoxGroup = 0x2020;
constexpr uint16_t kImageBoxPosition = 0x0010;
constexpr uint16_t kPolarity = 0x0020;
constexpr uint16_t kBasicGrayscaleImageSequence = 0x0110;
constexpr uint16_t kBasicColorImageSequence = 0x0111;

constexpr uint16_t kReferenceGroup = 0x0008;
constexpr uint16_t kReferencedSOPClassUID = 0x1150;
constexpr uint16_t kReferencedSOPInstanceUID = 0x1155;

TagRecord UndefinedLength(uint16_t group, uint16_t element, std::string_view vr) {
  TagRecord record;
  record.group = group;
  record.element = element;
  record.SetVR(vr);
  record.length = kUndefinedLength;
  return record;
}

TagRecord Delimiter(uint16_t element) {
  TagRecord record;
  record.group = kItemGroup;
  record.element = element;
  return record;
}

void AddText(TagList& list, uint16_t group, uint16_t element, std::string_view vr,
             const std::string& text) {
  if (!text.empty()) list.push_back(PrintTextTag(group, element, vr, text));
}

// Takes the references from the elements of one item (implicit VR little endian), up to
// its end, its delimiter, or a nested sequence of undefined length.
void TakeReferences(std::span<const uint8_t> content, ImageBoxReference& reference) {
  ElementReader reader(content, false, false);
  while (std::optional<TagRecord> record = ReadElement(reader)) {
    if (record->HasUndefinedLength() || record->Is(kItemGroup, kItemDelimitationElement)) return;
    if (record->Is(kReferenceGroup, kReferencedSOPClassUID)) {
      reference.sopClass = std::string(UIDText(*record));
    } else if (record->Is(kReferenceGroup, kReferencedSOPInstanceUID)) {
      reference.sopInstance = std::string(UIDText(*record));
    }
  }
}

// The first item of a sequence value of defined length.
void TakeFirstItem(std::span<const uint8_t> sequence, ImageBoxReference& reference) {
  ElementReader reader(sequence, false, false);
  const std::optional<ElementHeader> item = ReadElementHeader(reader);
  if (!item || !item->Is(kItemGroup, kItemElement)) return;
  if (item->length == kUndefinedLength) {
    TakeReferences(sequence.subspan(reader.position), reference);
  } else if (const auto content = ReadElementValue(reader, item->length)) {
    TakeReferences(*content, reference);
  }
}

// The first item of a sequence held flat, starting at the record after its header.
void TakeFirstFlatItem(const TagList& list, size_t at, ImageBoxReference& reference) {
  if (at >= list.size() || !list[at].Is(kItemGroup, kItemElement)) return;
  if (!list[at].HasUndefinedLength()) {
    TakeReferences(ValueBytes(list[at]), reference);
    return;
  }
  for (size_t i = at + 1; i < list.size(); ++i) {
    const TagRecord& record = list[i];
    if (record.group == kItemGroup || record.HasUndefinedLength()) return;
    if (record.Is(kReferenceGroup, kReferencedSOPClassUID)) {
      reference.sopClass = std::string(UIDText(record));
    } else if (record.Is(kReferenceGroup, kReferencedSOPInstanceUID)) {
      reference.sopInstance = std::string(UIDText(record));
    }
  }
}

}  // namespace

TagRecord PrintTextTag(uint16_t group, uint16_t element, std::string_view vr,
                       std::string_view text) {
  std::string padded(text);
  if (padded.size() % 2 != 0) padded.push_back(' ');
  return GenerateTextTag(group, element, vr, padded);
}

TagList FilmSessionDataset(const FilmSessioncfg& session) {
  TagList list;
  AddText(list, kFilmSessionGroup, kNumberOfCopies, "IS", session.NumberOfCopies);
  AddText(list, kFilmSessionGroup, kPrintPriority, "CS", session.PrintPriority);
  AddText(list, kFilmSessionGroup, kMediumType, "CS", session.MediumType);
  AddText(list, kFilmSessionGroup, kFilmDestination, "CS", session.FilmDestination);
  return list;
}

TagList FilmBoxDataset(const FilmBoxcfg& box, std::string_view filmSessionUID) {
  TagList list;
  AddText(list, kFilmBoxGroup, kImageDisplayFormat, "CS", box.ImageDisplayFormat);
  AddText(list, kFilmBoxGroup, kFilmOrientation, "CS", box.FilmOrientation);
  AddText(list, kFilmBoxGroup, kFilmSizeID, "CS", box.FilmSizeID);
  AddText(list, kFilmBoxGroup, kMagnificationType, "CS", box.MagnificationType);
  AddText(list, kFilmBoxGroup, kBorderDensity, "CS", box.BorderDensity);
  AddText(list, kFilmBoxGroup, kEmptyImageDensity, "CS", box.EmptyImageDensity);
  AddText(list, kFilmBoxGroup, kMinDensity, "CS", box.MinDensity);
  AddText(list, kFilmBoxGroup, kMaxDensity, "CS", box.MaxDensity);
  list.push_back(GenerateTextTag(kFilmBoxGroup, kConfigurationInformation, "ST", ""));
  list.push_back(UndefinedLength(kFilmBoxGroup, kReferencedFilmSessionSequence, "SQ"));
  list.push_back(UndefinedLength(kItemGroup, kItemElement, ""));
  list.push_back(GenerateUIDTag(kReferenceGroup, kReferencedSOPClassUID, uid::kBasicFilmSession));
  list.push_back(GenerateUIDTag(kReferenceGroup, kReferencedSOPInstanceUID, filmSessionUID));
  list.push_back(Delimiter(kItemDelimitationElement));
  list.push_back(Delimiter(kSequenceDelimitationElement));
  return list;
}

std::optional<TagList> ImageBoxDataset(const Raster& bitmap, bool color, int planar) {
  TagList list;
  list.push_back(GenerateUSTag(kImageBoxGroup, kImageBoxPosition, 1));
  list.push_back(PrintTextTag(kImageBoxGroup, kPolarity, "CS", "NORMAL"));
  list.push_back(UndefinedLength(
      kImageBoxGroup, color ? kBasicColorImageSequence : kBasicGrayscaleImageSequence, "SQ"));
  list.push_back(UndefinedLength(kItemGroup, kItemElement, ""));
  if (!AddImagePixelModule(bitmap, list, planar)) return std::nullopt;
  list.push_back(Delimiter(kItemDelimitationElement));
  list.push_back(Delimiter(kSequenceDelimitationElement));
  return list;
}

ImageBoxReference ReadImageBoxReference(const TagList& filmBoxResponse) {
  ImageBoxReference reference;
  for (size_t i = 0; i < filmBoxResponse.size(); ++i) {
    const TagRecord& record = filmBoxResponse[i];
    if (!record.Is(kFilmBoxGroup, kReferencedImageBoxSequence)) continue;
    if (record.HasUndefinedLength()) {
      TakeFirstFlatItem(filmBoxResponse, i + 1, reference);
    } else {
      TakeFirstItem(ValueBytes(record), reference);
    }
    break;
  }
  return reference;
}

}  // namespace norvane
