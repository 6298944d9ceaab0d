#pragma once

// The retrieval services of the SCP: C-MOVE to a known destination over an association of
// its own, and C-GET with the storage sub-operations on the requester's association, in
// the Study Root and Patient Root models (as the request's context was accepted for).
// Both send what the identifier's unique keys select from the storage folder.

#include "scp/service_handler.hpp"

namespace norvane {

// Serves C-MOVE-RQs: reads the identifier, and answers 0xA801 when the Move Destination is
// not one of the settings' destinations, 0xA900 when the identifier selects nothing by its
// unique keys. Otherwise it opens one association to the destination (calling title: the
// settings' AE title; the connection and its answer within the settings' ARTIM time-out,
// each response within their idle time-out) proposing each SOP class of the selected
// objects with their own transfer syntaxes and the uncompressed ones, and sends each object with C-STORE, naming
// the originator; after each sub-operation a pending C-MOVE-RSP carries the numbers so far,
// and the final one the outcome (SubOperationCounts::FinalStatus) with the Failed SOP
// Instance UID List. An object that cannot be read, or that no accepted context can carry,
// counts as failed. A C-CANCEL-RQ read between sub-operations ends them: the final status
// is then 0xFE00 with the numbers so far, the remaining one included.
class MoveService : public ServiceHandler {
 public:
  bool Serves(std::string_view sopClass) const override;
  bool Handles(uint16_t commandField) const override { return commandField == kCMoveRQ; }
  bool Handle(ServiceRequest& request) const override;
};

// Serves C-GET-RQs the same way, sending each object back to the requester on the same
// association: on an accepted context of its SOP class for which the requester took the
// SCP role, and only then.
class GetService : public ServiceHandler {
 public:
  bool Serves(std::string_view sopClass) const override;
  bool Handles(uint16_t commandField) const override { return commandField == kCGetRQ; }
  bool Handle(ServiceRequest& request) const override;
};

}  // namespace norvane
