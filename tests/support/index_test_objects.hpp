#pragma once

// Data sets as a storage SCP receives them, built element by element with the padding
// their encoding gives them: UIDs padded with NUL, other texts with a blank.

#include <string>
#include <string_view>

#include "elements/tag_list.hpp"

namespace norvane::testing {

inline TagRecord PaddedText(uint16_t group, uint16_t element, std::string_view vr,
                            std::string_view text) {
  std::string value(text);
  if (value.size() % 2 != 0) value += vr == "UI" ? '\0' : ' ';
  return GenerateTextTag(group, element, vr, value);
}

// Only the three UIDs that name the folders and the file.
inline TagList MinimalObject(std::string_view study, std::string_view series,
                             std::string_view instance) {
  TagList list;
  list.push_back(PaddedText(0x0008, 0x0018, "UI", instance));
  list.push_back(PaddedText(0x0020, 0x000D, "UI", study));
  list.push_back(PaddedText(0x0020, 0x000E, "UI", series));
  return list;
}

// A CT image with every element the three records take.
inline TagList CompleteObject(std::string_view study, std::string_view series,
                              std::string_view instance) {
  TagList list;
  list.push_back(PaddedText(0x0008, 0x0008, "CS", "ORIGINAL\\PRIMARY\\AXIAL"));
  list.push_back(PaddedText(0x0008, 0x0016, "UI", "1.2.840.10008.5.1.4.1.1.2"));
  list.push_back(PaddedText(0x0008, 0x0018, "UI", instance));
  list.push_back(PaddedText(0x0008, 0x0020, "DA", "20240131"));
  list.push_back(PaddedText(0x0008, 0x0021, "DA", "20240131"));
  list.push_back(PaddedText(0x0008, 0x0023, "DA", "20240201"));
  list.push_back(PaddedText(0x0008, 0x0030, "TM", "093015.123"));
  list.push_back(PaddedText(0x0008, 0x0031, "TM", "093500"));
  list.push_back(PaddedText(0x0008, 0x0033, "TM", "093612"));
  list.push_back(PaddedText(0x0008, 0x0050, "SH", "ACC123"));
  list.push_back(PaddedText(0x0008, 0x0061, "CS", "CT"));
  list.push_back(PaddedText(0x0008, 0x0070, "LO", "Acme Medical"));
  list.push_back(PaddedText(0x0008, 0x0090, "PN", "Smith^Anna"));
  list.push_back(PaddedText(0x0008, 0x1030, "LO", "Chest"));
  list.push_back(PaddedText(0x0008, 0x103E, "LO", "Axial 5mm"));
  list.push_back(PaddedText(0x0010, 0x0010, "PN", "Doe,John"));
  list.push_back(PaddedText(0x0010, 0x0020, "LO", "PID-0042"));
  list.push_back(PaddedText(0x0010, 0x0030, "DA", "19700101"));
  list.push_back(PaddedText(0x0018, 0x0015, "CS", "CHEST"));
  list.push_back(PaddedText(0x0018, 0x0086, "IS", "1"));
  list.push_back(PaddedText(0x0018, 0x5100, "CS", "HFS"));
  list.push_back(PaddedText(0x0020, 0x000D, "UI", study));
  list.push_back(PaddedText(0x0020, 0x000E, "UI", series));
  list.push_back(PaddedText(0x0020, 0x0011, "IS", "3"));
  list.push_back(PaddedText(0x0020, 0x0012, "IS", "1"));
  list.push_back(PaddedText(0x0020, 0x0013, "IS", "7"));
  list.push_back(PaddedText(0x0020, 0x0052, "UI", "1.2.826.0.1.3680043.2.1125.9"));
  list.push_back(PaddedText(0x0020, 0x1041, "DS", "-12.5"));
  list.push_back(PaddedText(0x0028, 0x0008, "IS", "1"));
  list.push_back(GenerateUSTag(0x0028, 0x0010, 512));
  list.push_back(GenerateUSTag(0x0028, 0x0011, 256));
  return list;
}

}  // namespace norvane::testing
