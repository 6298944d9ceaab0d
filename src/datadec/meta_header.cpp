#include "datadec/meta_header.hpp"

#include <string>

#include "datadec/element_encoding.hpp"
#include "elements/tag_list.hpp"

namespace norvane {
namespace {

constexpr size_t kGroupLengthElementSize = 12;  // tag, "UL", 16-bit length, 4-byte value

// A UID value: the text, and a NUL when its length is odd.
TagRecord UidTag(uint16_t element, std::string_view uid) {
  std::string value(uid);
  if (value.size() % 2 != 0) value.push_back('\0');
  return GenerateTextTag(kMetaGroup, element, "UI", value);
}

}  // namespace

void BuildMetaHeader(TagList& meta, std::string_view sopClassUID, std::string_view sopInstanceUID,
                     std::string_view transferSyntaxUID) {
  static constexpr uint8_t kVersion[] = {0x00, 0x01};
  std::string versionName(kMetaImplementationVersionName);
  versionName.push_back('\0');

  meta.clear();
  meta.push_back(GenerateULTag(kMetaGroup, 0x0000, 0));  // group length, filled below
  meta.push_back(GenerateTag(kMetaGroup, 0x0001, "OB", kVersion));
  meta.push_back(UidTag(0x0002, sopClassUID));
  meta.push_back(UidTag(0x0003, sopInstanceUID));
  meta.push_back(UidTag(0x0010, transferSyntaxUID));
  meta.push_back(UidTag(0x0012, kImplementationClassUID));
  meta.push_back(GenerateTextTag(kMetaGroup, 0x0013, "SH", versionName));

  const size_t groupLength = EncodedLength(meta, true) - kGroupLengthElementSize;
  meta.front() = GenerateULTag(kMetaGroup, 0x0000, static_cast<uint32_t>(groupLength));
}

}  // namespace norvane
