#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/buffer.hpp"
#include "net/pdu_layout.hpp"

namespace norvane {

// The SCP/SCU role selection sub-item (0x54) of the user information: for one SOP class,
// whether the association requester may act as SCU and as SCP. In an A-ASSOCIATE-RQ the
// two flags say which roles the requester supports; in the A-ASSOCIATE-AC they say which
// of those the acceptor grants. A C-GET requester proposes the SCP role for the storage
// classes it wants to receive, since the storage sub-operations come back to it.
struct RoleSelection {
  static constexpr uint8_t kItemType = 0x54;

  std::string sopClassUID;  // as it travels; a NUL pad is kept
  bool scuRole = false;
  bool scpRole = false;

  // The SOP class UID without a NUL pad.
  std::string_view SOPClass() const;

  // Writes the sub-item and flushes; false, with nothing written, for a UID over 64
  // characters.
  bool Write(Buffer& buffer) const;
  // Reads after the type byte; `room` counts from the type byte. The item length must
  // hold exactly the UID length field, the UID and the two role bytes; a UID over 64
  // characters fails the read.
  bool ReadDynamic(Buffer& buffer, uint32_t room = kUnbounded);
  // Bytes on the wire, type byte included.
  uint32_t Size() const;
};

// The requester's roles for `sopClassUID` as the acceptor decided them: the acceptor's
// answer when it gave one, else the default (requester SCU only).
RoleSelection NegotiatedRoles(const std::vector<RoleSelection>& answered,
                              std::string_view sopClassUID);

// The acceptor's answer to the proposed roles of one SOP class: each proposed role is
// granted only when `mayGrantScp` (for the SCP role) allows it; the SCU role is granted as
// proposed.
RoleSelection AnswerRoles(const RoleSelection& proposed, bool mayGrantScp);

}  // namespace norvane
