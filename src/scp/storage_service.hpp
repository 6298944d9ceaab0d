#pragma once

#include "scp/service_handler.hpp"

namespace norvane {

// Storage: each C-STORE-RQ's data set is stored in the storage folder (StoreThread), its
// pixel data going into the file as it arrives (IncomingFile), before the C-STORE-RSP goes
// out with status success, out of resources or cannot understand as the store ended. A
// C-STORE-RQ that announces no data set is refused with 0xC000. An object whose data set
// did not arrive whole is never stored. The storage table's classes are served, or every
// storage class of the dictionary; a C-GET requester may take the SCP role for them.
class StorageService : public ServiceHandler {
 public:
  explicit StorageService(bool allStorageClasses) : allStorageClasses_(allStorageClasses) {}

  bool Serves(std::string_view sopClass) const override;
  std::string_view ChooseTransferSyntax(std::string_view sopClass,
                                        const std::vector<UIDitem>& proposed) const override;
  bool GrantsRequesterScpRole(std::string_view sopClass) const override;
  std::string_view ChooseSyntaxToSend(std::string_view sopClass,
                                      const std::vector<UIDitem>& proposed) const override;
  bool Handles(uint16_t commandField) const override { return commandField == kCStoreRQ; }
  bool Handle(ServiceRequest& request) const override;

 private:
  bool allStorageClasses_;
};

}  // namespace norvane
