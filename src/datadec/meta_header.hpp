#pragma once

#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// The implementation this system names in the meta groups it writes.
inline constexpr std::string_view kImplementationClassUID = "1.2.826.0.1.3680043.2.4821.999";
inline constexpr std::string_view kMetaImplementationVersionName = "VelmoraSoft";

// Empties `meta` and fills it with the meta group this system writes, in this order:
// (0002,0000) group length, (0002,0001) version 00 01, (0002,0002) Media Storage SOP Class
// UID, (0002,0003) Media Storage SOP Instance UID, (0002,0010) Transfer Syntax UID,
// (0002,0012) implementation class UID, (0002,0013) implementation version name. UIDs of
// odd length get one NUL; the group length counts every element after (0002,0000).
void BuildMetaHeader(TagList& meta, std::string_view sopClassUID, std::string_view sopInstanceUID,
                     std::string_view transferSyntaxUID);

// The same; the meta group is always explicit VR little endian, so the dataset's explicit
// flag changes nothing.
inline void BuildMetaHeader(TagList& meta, std::string_view sopClassUID,
                            std::string_view sopInstanceUID, std::string_view transferSyntaxUID,
                            bool /*explicitVR*/) {
  BuildMetaHeader(meta, sopClassUID, sopInstanceUID, transferSyntaxUID);
}

}  // namespace norvane
