#pragma once

// The storage SCP's SOP classes and its transfer syntax preferences.

#include <string_view>
#include <vector>

#include "net/uid_item.hpp"

namespace norvane {

// True for the storage SOP classes this SCP accepts by default.
bool IsAcceptedStorageClass(std::string_view sopClass);

// The transfer syntax accepted for one proposed storage context, or empty when none of the
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

}  // namespace norvane
