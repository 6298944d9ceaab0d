#pragma once

// The archive's side of Modality Performed Procedure Step: N-CREATE keeps a new step,
// N-SET changes it, as DICOM files "<instance UID>.dcm" under the storage folder's mpps/.
//
// Refused, each with its failure status and an Error Comment that says why:
//   N-CREATE of an instance that exists                         0x0111
//   N-CREATE with a status other than IN PROGRESS               0x0106
//   N-CREATE without a required attribute / with it empty       0x0120 / 0x0121
//   an instance UID that is no UID of at most 64 characters     0x0117
//   N-SET of an instance that does not exist                    0x0112
//   N-SET of a step that is COMPLETED or DISCONTINUED           0x0110, Error ID 0xA710
//   N-SET of an attribute only N-CREATE may give, or of a status
//   other than IN PROGRESS, COMPLETED and DISCONTINUED          0x0106
//   N-SET to COMPLETED or DISCONTINUED without end date and time 0x0121

#include "scp/service_handler.hpp"

namespace norvane {

// The Error ID that goes with 0x0110 for a step that may no longer be updated.
inline constexpr uint16_t kErrorIDStepMayNoLongerBeUpdated = 0xA710;

class MppsService : public ServiceHandler {
 public:
  bool Serves(std::string_view sopClass) const override;
  bool Handles(uint16_t commandField) const override {
    return commandField == kNCreateRQ || commandField == kNSetRQ;
  }
  bool Handle(ServiceRequest& request) const override;
};

}  // namespace norvane
