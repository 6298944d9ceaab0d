#pragma once

#include <cstdint>
#include <string_view>

#include <vector>

#include "net/buffer.hpp"
#include "net/role_selection.hpp"
#include "net/uid_item.hpp"

namespace norvane {

// The maximum length sub-item (0x51): the longest P-DATA-TF PDU the sender receives.
class MaximumSubLength {
 public:
  static constexpr uint8_t kItemType = 0x51;

  uint32_t maximumLength = 0;

  // Writes the sub-item and flushes.
  bool Write(Buffer& buffer);
  // Reads after the type byte; `room` counts from the type byte. The length must be 4.
  bool ReadDynamic(Buffer& buffer, uint32_t room = kUnbounded);
  uint32_t Size();

 private:
  uint16_t length_ = 4;
};

// The user information item (0x50): maximum length, implementation class UID, the SCP/SCU
// role selections and, when not empty, implementation version name.
class UserInformation {
 public:
  static constexpr uint8_t kItemType = 0x50;

  UserInformation();

  uint16_t Length() const { return length_; }
  // Bytes of unrecognised sub-items skipped by the last read.
  int32_t SkippedBytes() const { return skipped_; }

  MaximumSubLength maximumLength;

  bool SetImplementationClassUID(std::string_view uid) { return classUID_.SetText(uid); }
  bool SetImplementationVersionName(std::string_view name) { return versionName_.SetText(name); }
  const UIDitem& ImplementationClassUID() const { return classUID_; }
  const UIDitem& ImplementationVersionName() const { return versionName_; }

  // One per SOP class whose roles are proposed (requester) or answered (acceptor).
  std::vector<RoleSelection> roleSelections;

  // Writes the item; its header and each sub-item are flushed separately.
  bool Write(Buffer& buffer);
  // Reads after the type byte; `room` counts from the type byte. An unrecognised sub-item
  // ends the read: the rest of the item is skipped and counted in SkippedBytes().
  bool ReadDynamic(Buffer& buffer, uint32_t room = kUnbounded);
  // Sets the item length from the content (skipped bytes not counted); returns it + 4.
  uint32_t Size();

 private:
  uint16_t length_ = 0;
  int32_t skipped_ = 0;
  UIDitem classUID_;
  UIDitem versionName_;
};

}  // namespace norvane
