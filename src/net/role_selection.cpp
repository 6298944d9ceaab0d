#include "net/role_selection.hpp"

#include <algorithm>

namespace norvane {
namespace {

// UID length field and the SCU and SCP role bytes around the UID.
constexpr uint32_t kRoleFixedLength = 2 + 1 + 1;

}  // namespace

std::string_view RoleSelection::SOPClass() const {
  const std::string_view uid = sopClassUID;
  return uid.substr(0, uid.find('\0'));
}

uint32_t RoleSelection::Size() const {
  return kItemHeaderSize + kRoleFixedLength + static_cast<uint32_t>(sopClassUID.size());
}

bool RoleSelection::Write(Buffer& buffer) const {
  if (sopClassUID.size() > kMaxUidLength) return false;
  buffer.WriteByte(kItemType);
  buffer.WriteByte(0x00);
  buffer.WriteUInt16(static_cast<uint16_t>(Size() - kItemHeaderSize));
  buffer.WriteUInt16(static_cast<uint16_t>(sopClassUID.size()));
  buffer.WriteBytes(sopClassUID.data(), sopClassUID.size());
  buffer.WriteByte(scuRole ? 1 : 0);
  buffer.WriteByte(scpRole ? 1 : 0);
  return buffer.Flush();
}

bool RoleSelection::ReadDynamic(Buffer& buffer, uint32_t room) {
  uint8_t reserved;
  uint16_t length;
  uint16_t uidLength;
  if (room < kItemHeaderSize + kRoleFixedLength || !buffer.ReadByte(reserved) ||
      !buffer.ReadUInt16(length) || length > room - kItemHeaderSize || length < kRoleFixedLength ||
      !buffer.ReadUInt16(uidLength) || uidLength != length - kRoleFixedLength ||
      uidLength > kMaxUidLength) {
    return false;
  }
  std::string uid(uidLength, '\0');
  uint8_t scu;
  uint8_t scp;
  if (!buffer.ReadBytes(uid.data(), uid.size()) || !buffer.ReadByte(scu) || !buffer.ReadByte(scp)) {
    return false;
  }
  sopClassUID = std::move(uid);
  scuRole = scu == 1;
  scpRole = scp == 1;
  return true;
}

RoleSelection NegotiatedRoles(const std::vector<RoleSelection>& answered,
                              std::string_view sopClassUID) {
  const auto found = std::find_if(answered.begin(), answered.end(), [&](const RoleSelection& r) {
    return r.SOPClass() == sopClassUID;
  });
  if (found != answered.end()) return *found;
  return RoleSelection{std::string(sopClassUID), true, false};
}

RoleSelection AnswerRoles(const RoleSelection& proposed, bool mayGrantScp) {
  return RoleSelection{proposed.sopClassUID, proposed.scuRole, proposed.scpRole && mayGrantScp};
}

}  // namespace norvane
