#pragma once

// The archive's side of the Storage Commitment Push Model. Each N-ACTION is answered with
// its N-ACTION-RSP; then every referenced instance is looked up in the storage folder and
// the report goes out as an N-EVENT-REPORT-RQ: event type 1 when all are held, else 2 with
// the Failed SOP Sequence (0x0112 "no such object instance", 0x0119 for an instance held
// under another SOP class). It goes on the same association when the requester still holds
// it open (nothing else from it arrives within a short grace time), else on a new
// association to the requester's AE title at its --dest address, proposing the class with
// the SCP role for this side.

#include <chrono>

#include "scp/service_handler.hpp"

namespace norvane {

// How long the requester has, after the N-ACTION-RSP, to release or send anything else
// before the report comes on the same association.
inline constexpr std::chrono::milliseconds kSameAssociationGrace{250};

class StorageCommitmentService : public ServiceHandler {
 public:
  bool Serves(std::string_view sopClass) const override;
  bool Handles(uint16_t commandField) const override { return commandField == kNActionRQ; }
  bool Handle(ServiceRequest& request) const override;
};

}  // namespace norvane
