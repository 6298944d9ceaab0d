#include "net/user_information.hpp"

#include "net/pdu_layout.hpp"

namespace norvane {

bool MaximumSubLength::Write(Buffer& buffer) {
  Size();
  buffer.WriteByte(kItemType);
  buffer.WriteByte(0x00);
  buffer.WriteUInt16(length_);
  buffer.WriteUInt32(maximumLength);
  return buffer.Flush();
}

bool MaximumSubLength::ReadDynamic(Buffer& buffer, uint32_t room) {
  uint8_t reserved;
  uint16_t length;
  if (room < kMaximumLengthSubItemSize || !buffer.ReadByte(reserved) ||
      !buffer.ReadUInt16(length) || length != kMaximumLengthValueSize) {
    return false;
  }
  length_ = length;
  return buffer.ReadUInt32(maximumLength);
}

uint32_t MaximumSubLength::Size() {
  length_ = kMaximumLengthValueSize;
  return kMaximumLengthSubItemSize;
}

UserInformation::UserInformation()
    : classUID_(kSubItemImplementationClassUID), versionName_(kSubItemImplementationVersionName) {}

uint32_t UserInformation::Size() {
  uint32_t length = maximumLength.Size() + classUID_.Size();
  for (const RoleSelection& role : roleSelections)
    length += role.Size();
  if (!versionName_.Empty()) length += versionName_.Size();
  length_ = static_cast<uint16_t>(length);
  return kItemHeaderSize + length;
}

bool UserInformation::Write(Buffer& buffer) {
  Size();
  buffer.WriteByte(kItemType);
  buffer.WriteByte(0x00);
  buffer.WriteUInt16(length_);
  if (!buffer.Flush() || !maximumLength.Write(buffer) || !classUID_.Write(buffer)) return false;
  for (const RoleSelection& role : roleSelections) {
    if (!role.Write(buffer)) return false;
  }
  return versionName_.Empty() || versionName_.Write(buffer);
}

bool UserInformation::ReadDynamic(Buffer& buffer, uint32_t room) {
  uint8_t reserved;
  uint16_t length;
  if (room < kItemHeaderSize || !buffer.ReadByte(reserved) || !buffer.ReadUInt16(length)) {
    return false;
  }
  if (length > room - kItemHeaderSize) return false;
  length_ = length;
  skipped_ = 0;
  classUID_.SetText("");
  versionName_.SetText("");
  roleSelections.clear();

  uint32_t left = length;
  while (left > 0) {
    uint8_t type;
    if (!buffer.ReadByte(type)) return false;
    if (type == kSubItemMaximumLength) {
      if (!maximumLength.ReadDynamic(buffer, left)) return false;
      left -= kMaximumLengthSubItemSize;
    } else if (type == kSubItemImplementationClassUID) {
      if (!classUID_.ReadDynamic(buffer, left)) return false;
      left -= kItemHeaderSize + classUID_.Length();
    } else if (type == RoleSelection::kItemType) {
      RoleSelection role;
      if (!role.ReadDynamic(buffer, left)) return false;
      left -= role.Size();
      roleSelections.push_back(std::move(role));
    } else if (type == kSubItemImplementationVersionName) {
      if (!versionName_.ReadDynamic(buffer, left)) return false;
      left -= kItemHeaderSize + versionName_.Length();
    } else {
      skipped_ = static_cast<int32_t>(left);
      return buffer.Skip(left - 1);
    }
  }
  return true;
}

}  // namespace norvane
