#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "elements/tag_record.hpp"

namespace norvane {

// Marker values that open each patient, study and series record in the list ReadDCMDIR
// returns; image-level records open with their own Directory Record Type.
inline constexpr std::string_view kPatientMarker = "PATIENT ";
inline constexpr std::string_view kStudyMarker = "STUDY ";
inline constexpr std::string_view kSeriesMarker = "SERIES";

// Reads a DICOMDIR by following its record offsets: the root offset (0004,1200), each
// record's next-record offset (0004,1400) and lower-level offset (0004,1420). Appends,
// depth first, for every patient record its marker (0004,1430) and its other elements,
// then its studies (marker and elements), each followed by its series (marker, elements)
// and their image-level records (the record's own (0004,1430), then its elements).
// Records whose type does not fit their level are passed over with everything below them.
// Offsets that point outside the file, or back to a record already read, end their level.
// True when the file has "DICM" after its preamble and an (0004,1200) element.
bool ReadDCMDIR(const std::string& fileName, TagList& list);

// The same over the bytes of a whole DICOMDIR file in memory.
bool ReadDCMDIR(std::span<const uint8_t> file, TagList& list);

}  // namespace norvane
