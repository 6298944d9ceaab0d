#pragma once

#include <string_view>
#include <vector>

#include "net/acceptor_policy.hpp"
#include "net/uid_item.hpp"

namespace norvane {

// True for the SOP classes this system accepts as an association acceptor.
bool IsSupportedAbstractSyntax(std::string_view abstractSyntax);

// The transfer syntax accepted for one proposed context, or empty when none of the
// proposed ones is acceptable. JPEG Baseline comes first for Ultrasound Multi-frame and
// Secondary Capture; then JPEG Lossless, Implicit VR Little Endian, Explicit VR Little
// Endian, JPEG Baseline, RLE Lossless, JPEG-LS Lossless, JPEG 2000 Lossless, JPEG-LS
// Near-Lossless, JPEG 2000 and Deflated Explicit VR Little Endian. Explicit VR Big Endian
// is never accepted.
std::string_view ChooseTransferSyntax(std::string_view abstractSyntax,
                                      const std::vector<UIDitem>& proposed);

// The transfer syntax of a context on which stored objects go back to a C-GET requester:
// explicit VR little endian first, as most objects are stored in it and then travel
// unchanged, then implicit VR little endian, JPEG Lossless, JPEG Baseline and the further
// syntaxes in the order above.
std::string_view ChooseSyntaxToSend(std::string_view abstractSyntax,
                                    const std::vector<UIDitem>& proposed);

// The storage SCP's policy: the SOP classes and transfer syntax preferences above; a C-GET
// requester is granted the SCP role for the storage classes among them.
AcceptorPolicy StorageAcceptorPolicy();

// What the SCP serves beyond its table.
struct AcceptedServices {
  bool allStorage = false;  // every storage SOP class of the dictionary
  bool worklist = false;    // the modality worklist FIND
};

// The storage SCP's policy with those services added; the transfer syntaxes as above. A
// C-GET requester is granted the SCP role for the storage classes it serves.
AcceptorPolicy StorageAcceptorPolicy(AcceptedServices services);

}  // namespace norvane
