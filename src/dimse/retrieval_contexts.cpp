#include "dimse/retrieval_contexts.hpp"

#include <string>

#include "dimse/storage_classes.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

constexpr std::string_view kJPEGExtended = "1.2.840.10008.1.2.4.51";
constexpr std::string_view kRLELossless = "1.2.840.10008.1.2.5";

}  // namespace

std::vector<ContextProposal> RetrievalStorageContexts() {
  std::vector<ContextProposal> contexts;
  for (const StorageClass& storage : CommonStorageClasses()) {
    const std::string sopClass(storage.uid);
    contexts.push_back(
        {sopClass,
         {std::string(uid::kExplicitVRLittleEndian), std::string(uid::kImplicitVRLittleEndian),
          std::string(uid::kExplicitVRBigEndian)}});
    if (!storage.image) continue;
    for (std::string_view compressed :
         {uid::kJPEGLossless, uid::kJPEGBaseline, kJPEGExtended, kRLELossless}) {
      contexts.push_back({sopClass, {std::string(compressed)}});
    }
  }
  return contexts;
}

std::vector<RoleSelection> RetrievalScpRoles() {
  std::vector<RoleSelection> roles;
  for (const StorageClass& storage : CommonStorageClasses()) {
    roles.push_back({std::string(storage.uid), false, true});
  }
  return roles;
}

}  // namespace norvane
