#include "datadec/meta_header.hpp"

#include <string>

#include "datadec/element_encoding.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"

namespace norvane {
namespace {

constexpr size_t kGroupLengthElementSize = 12;  // tag, "UL", 16-bit length, 4-byte value

// A UID value: the text, and a NUL when its length is odd.
TagRecord UidTag(Tag tag, std::string_view uid) {
  std::string value(uid);
  if (value.size() % 2 != 0) value.push_back('\0');
  return GenerateTextTag(tag, "UI", value);
}

}  // namespace

void BuildMetaHeader(TagList& meta, std::string_view sopClassUID, std::string_view sopInstanceUID,
                     std::string_view transferSyntaxUID) {
  static constexpr uint8_t kVersion[] = {0x00, 0x01};
  std::string versionName(kMetaImplementationVersionName);
  versionName.push_back('\0');

  meta.clear();
  meta.push_back(GenerateULTag(tag::kFileMetaInformationGroupLength, 0));  // filled below
  meta.push_back(GenerateTag(tag::kFileMetaInformationVersion, "OB", kVersion));
  meta.push_back(UidTag(tag::kMediaStorageSOPClassUID, sopClassUID));
  meta.push_back(UidTag(tag::kMediaStorageSOPInstanceUID, sopInstanceUID));
  meta.push_back(UidTag(tag::kTransferSyntaxUID, transferSyntaxUID));
  meta.push_back(UidTag(tag::kImplementationClassUID, kImplementationClassUID));
  meta.push_back(GenerateTextTag(tag::kImplementationVersionName, "SH", versionName));

  const size_t groupLength = EncodedLength(meta, true) - kGroupLengthElementSize;
  meta.front() =
      GenerateULTag(tag::kFileMetaInformationGroupLength, static_cast<uint32_t>(groupLength));
}

}  // namespace norvane
