#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "elements/tag.hpp"

namespace norvane {

// A DICOM file: a 128-byte preamble that nobody examines, the letters "DICM", the file
// meta group (group 0002, explicit VR little endian), then the dataset in the transfer
// syntax the meta group names.
inline constexpr size_t kPreambleSize = 128;
inline constexpr std::string_view kDicmPrefix = "DICM";
inline constexpr size_t kMetaGroupStart = kPreambleSize + 4;

// True when the bytes hold "DICM" after the preamble.
bool HasDicmPrefix(std::span<const uint8_t> fileStart);

// The VR a meta element always gets when a file is read, whatever the file holds (so that
// a meta group written in implicit VR gets VRs too); empty for a tag outside the table.
std::string_view MetaElementVR(Tag metaTag);

}  // namespace norvane
