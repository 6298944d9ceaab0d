#pragma once

// The storage presentation contexts a C-GET requester proposes, so that the archive can
// send back what it holds on the same association.

#include <vector>

#include "net/pdu_service.hpp"
#include "net/role_selection.hpp"

namespace norvane {

// For each of the CommonStorageClasses one context with the uncompressed syntaxes
// (explicit and implicit VR little endian, explicit VR big endian); for the image classes
// also one context each for JPEG Lossless SV1, JPEG Baseline, JPEG Extended and RLE, since
// an acceptor picks one syntax per context and an archive sends objects as it holds them.
// Fewer than 128 contexts leave room for the query/retrieve context.
std::vector<ContextProposal> RetrievalStorageContexts();

// The role selection items of a C-GET requester: the SCP role (and not the SCU role) for
// each of the CommonStorageClasses.
std::vector<RoleSelection> RetrievalScpRoles();

}  // namespace norvane
