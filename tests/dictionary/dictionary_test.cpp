#include "dictionary/dictionary.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

#include "elements/tag_record.hpp"

namespace norvane {
namespace {

struct Row {
  uint16_t group;
  uint16_t element;
  const char* vr;
  std::string_view name;  // Windows-1252 bytes
};

// Rows whose VR and name bytes the system relies on.
const Row kKnownRows[] = {
    {0x0002, 0x0010, "UI", "Transfer Syntax UID"},
    {0x0004, 0x1430, "CS", "Directory Record Type"},
    {0x0008, 0x0016, "UI", "SOP Class UID"},
    {0x0008, 0x0018, "UI", "SOP Instance UID"},
    {0x0008, 0x0090, "PN", "Referring Physician\x92s Name"},
    {0x0008, 0x1070, "PN", "Operators\x92 Name"},
    {0x0010, 0x0010, "PN", "Patient\x92s Name"},
    {0x0010, 0x0030, "DA", "Patient's Birth Date"},
    {0x0018, 0x8150, "DS", "Exposure Time in \xB5S"},
    {0x0018, 0x8151, "DS",
     "X-Ray Tube Current in \xB5"
     "A"},
    {0x0018, 0x9240, "US", "RF Echo Train Length"},
    {0x0020, 0x9251, "FD", "R \x96 R Interval Time Measured"},
    {0x0028, 0x0010, "US", "Rows"},
    {0x0028, 0x0011, "US", "Columns"},
    {0x0028, 0x0100, "US", "Bits Allocated"},
    {0x0028, 0x0106, "SS", "Smallest Image Pixel Value US or"},
    {0x0028, 0x1050, "DS", "Window Center"},
    {0x0028, 0x1051, "DS", "Window Width"},
    {0x0040, 0xE010, "UT", "Retrieve URI"},
    {0x0072, 0x0070, "UT", "Selector UT Value"},
    {0x5000, 0x3000, "OB", "Curve Data OW or (RET)"},
    {0x6000, 0x1100, "US", "Overlay Descriptor \x96 Gray (RET)"},
    {0x6000, 0x3000, "OW", "Overlay Data OB or"},
    {0x7FE0, 0x0000, "UL", "Group 7FE0 Length"},
    {0x7FE0, 0x0010, "OW", "Pixel Data"},
    {0xFFFE, 0xE000, "DL", "Item"},
    {0xFFFE, 0xE00D, "DL", "Item Delimitation Item"},
    {0xFFFE, 0xE0DD, "DL", "Sequence Delimitation Item"},
};

// The command group, complete and in table order.
const Row kCommandRows[] = {
    {0x0000, 0x0000, "UL", "Group Length"},
    {0x0000, 0x0002, "UI", "Affected SOP Class UID"},
    {0x0000, 0x0003, "UI", "Requested SOP Class UID"},
    {0x0000, 0x0100, "US", "Command Field"},
    {0x0000, 0x0110, "US", "Message ID"},
    {0x0000, 0x0120, "US", "Message ID Being Responded To"},
    {0x0000, 0x0600, "AE", "Move Destination"},
    {0x0000, 0x0700, "US", "Priority"},
    {0x0000, 0x0800, "US", "Data Set Type"},
    {0x0000, 0x0900, "US", "Status"},
    {0x0000, 0x0901, "AT", "Offending Element"},
    {0x0000, 0x0902, "LO", "Error Comment"},
    {0x0000, 0x0903, "US", "Error ID"},
    {0x0000, 0x1000, "UI", "Affected SOP Instance UID"},
    {0x0000, 0x1001, "UI", "Requested SOP Instance UID"},
    {0x0000, 0x1002, "US", "Event Type ID"},
    {0x0000, 0x1005, "AT", "Attribute Identifier List"},
    {0x0000, 0x1008, "US", "Action Type ID"},
    {0x0000, 0x1020, "US", "Number of Remaining Sub-Operations"},
    {0x0000, 0x1021, "US", "Number of Completed Sub-Operations"},
    {0x0000, 0x1022, "US", "Number of Failed Sub-Operations"},
    {0x0000, 0x1023, "US", "Number of Warning Sub-Operations"},
    {0x0000, 0x1030, "AE", "Move Originator AET"},
    {0x0000, 0x1031, "US", "Move Originator Message ID"},
};

const std::set<uint16_t> kGroups = {
    0x0000, 0x0002, 0x0004, 0x0008, 0x0010, 0x0012, 0x0018, 0x0020, 0x0022, 0x0028, 0x0032,
    0x0038, 0x003A, 0x0040, 0x0042, 0x0050, 0x0054, 0x0060, 0x0070, 0x0072, 0x0088, 0x0100,
    0x0400, 0x2000, 0x2010, 0x2020, 0x2030, 0x2040, 0x2050, 0x2100, 0x2110, 0x2120, 0x2130,
    0x2200, 0x3002, 0x3004, 0x3006, 0x3008, 0x300A, 0x300C, 0x300E, 0x4000, 0x4008, 0x4FFE,
    0x5000, 0x5200, 0x5400, 0x5600, 0x6000, 0x7FE0, 0xFFFA, 0xFFFC, 0xFFFE};

std::string VR(const DictionaryEntry& e) {
  return std::string(e.vr, 2);
}

uint32_t Tag(const DictionaryEntry& e) {
  return (uint32_t{e.group} << 16) | e.element;
}

// The first row of this tag, scanning the table from its start.
const DictionaryEntry* LinearScan(uint16_t group, uint16_t element) {
  for (const DictionaryEntry& e : DictionaryTable()) {
    if (e.group == group && e.element == element) return &e;
  }
  return nullptr;
}

TEST(Dictionary, KnownRowsHaveExactVRAndNameBytes) {
  for (const Row& row : kKnownRows) {
    const DictionaryEntry* e = FindDictionaryEntry(row.group, row.element);
    ASSERT_NE(e, nullptr) << std::hex << row.group << "," << row.element;
    EXPECT_EQ(VR(*e), row.vr) << row.name;
    EXPECT_EQ(e->name, row.name);
  }
}

TEST(Dictionary, CommandGroupIsExactlyTheTwentyFourRowsAtTheStart) {
  const auto table = DictionaryTable();
  ASSERT_GE(table.size(), std::size(kCommandRows));
  for (size_t i = 0; i < std::size(kCommandRows); ++i) {
    EXPECT_EQ(table[i].group, 0x0000);
    EXPECT_EQ(table[i].element, kCommandRows[i].element) << "row " << i;
    EXPECT_EQ(VR(table[i]), kCommandRows[i].vr) << kCommandRows[i].name;
    EXPECT_EQ(table[i].name, kCommandRows[i].name);
  }
  EXPECT_NE(table[std::size(kCommandRows)].group, 0x0000);
}

TEST(Dictionary, GroupsAreTheListedOnesWithGroupLengthRows) {
  std::set<uint16_t> seen;
  for (const DictionaryEntry& e : DictionaryTable()) {
    EXPECT_TRUE(kGroups.count(e.group)) << "unexpected group " << std::hex << e.group;
    seen.insert(e.group);
    if (e.element == 0x0000) {
      EXPECT_EQ(VR(e), "UL");
      EXPECT_EQ(e.name, e.group == 0x7FE0 ? "Group 7FE0 Length" : "Group Length")
          << std::hex << e.group;
    }
  }
  EXPECT_EQ(seen, kGroups);
  for (uint16_t group : kGroups) {
    const bool expected = group != 0x4FFE && group != 0xFFFA && group != 0xFFFC && group != 0xFFFE;
    EXPECT_EQ(FindDictionaryEntry(group, 0x0000) != nullptr, expected) << std::hex << group;
  }
}

TEST(Dictionary, AscendingExceptTwoRowsThatStandEarlier) {
  const auto table = DictionaryTable();
  auto at = [&](uint16_t g, uint16_t e) {
    return std::find_if(table.begin(), table.end(),
                        [&](const DictionaryEntry& r) { return r.group == g && r.element == e; }) -
           table.begin();
  };
  EXPECT_EQ(at(0x0018, 0x9296) + 1, at(0x0018, 0x9240));
  EXPECT_EQ(at(0x003A, 0x0004) + 1, at(0x003A, 0x0000));
  size_t descents = 0;
  for (size_t i = 1; i < table.size(); ++i) {
    if (Tag(table[i]) < Tag(table[i - 1])) ++descents;
  }
  EXPECT_EQ(descents, 2u);
}

TEST(Dictionary, NoDuplicateTagsNoPrivateTagsOnlyKnownVRs) {
  const std::set<std::string> vrs = {"AE", "AS", "AT", "CS", "DA", "DS", "DT", "FL", "FD", "IS",
                                     "LO", "LT", "OB", "OF", "OW", "PN", "SH", "SL", "SQ", "SS",
                                     "ST", "TM", "UI", "UL", "UN", "US", "UT", "DL"};
  std::set<uint32_t> tags;
  size_t retired = 0;
  for (const DictionaryEntry& e : DictionaryTable()) {
    EXPECT_TRUE(tags.insert(Tag(e)).second) << "duplicate " << std::hex << Tag(e);
    EXPECT_EQ(e.group % 2, 0) << std::hex << Tag(e);
    EXPECT_TRUE(vrs.count(VR(e))) << VR(e) << " " << e.name;
    EXPECT_FALSE(e.name.empty());
    if (e.name.ends_with(" (RET)")) ++retired;
  }
  EXPECT_GT(retired, 200u);
  EXPECT_GT(tags.size(), 2400u);
}

TEST(Dictionary, LookupsAgreeWithLinearScan) {
  for (const DictionaryEntry& e : DictionaryTable()) {
    ASSERT_EQ(FindDictionaryEntry(e.group, e.element), LinearScan(e.group, e.element))
        << std::hex << Tag(e);
    for (int delta : {-1, 1}) {
      const uint32_t near = Tag(e) + static_cast<uint32_t>(delta);
      const auto g = static_cast<uint16_t>(near >> 16);
      const auto el = static_cast<uint16_t>(near);
      ASSERT_EQ(FindDictionaryEntry(g, el), LinearScan(g, el)) << std::hex << near;
    }
  }
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const auto g = static_cast<uint16_t>(random());
    const auto el = static_cast<uint16_t>(random());
    ASSERT_EQ(FindDictionaryEntry(g, el), LinearScan(g, el)) << std::hex << g << "," << el;
  }
  EXPECT_EQ(FindDictionaryEntry(0x0000, 0x0000), &DictionaryTable()[0]);
  EXPECT_EQ(FindDictionaryEntry(0xFFFF, 0xFFFF), nullptr);
}

TEST(LookupVR, SetsRowVRorUN) {
  TagRecord name;
  name.group = 0x0010;
  name.element = 0x0010;
  LookupVR(name);
  EXPECT_EQ(name.VRText(), "PN");

  TagRecord item;
  item.group = 0xFFFE;
  item.element = 0xE000;
  LookupVR(item);
  EXPECT_EQ(item.VRText(), "DL");

  for (auto [g, e] : {std::pair<uint16_t, uint16_t>{0x6002, 0x3000}, {0x0009, 0x0010}}) {
    TagRecord unknown;
    unknown.group = g;
    unknown.element = e;
    unknown.SetVR("LO");
    LookupVR(unknown);
    EXPECT_EQ(unknown.VRText(), "UN") << std::hex << g << "," << e;
  }
}

TEST(LookupName, NameAndVRUnlessRecordHasOne) {
  TagRecord record;
  record.group = 0x0010;
  record.element = 0x0010;
  EXPECT_EQ(LookupName(record, false), "Patient\x92s Name");
  EXPECT_EQ(record.VRText(), "PN");

  record.SetVR("UN");
  EXPECT_EQ(LookupName(record, true), "Patient\x92s Name");
  EXPECT_EQ(record.VRText(), "UN") << "a record that has its VR keeps it";

  TagRecord overlay;
  overlay.group = 0x6002;
  overlay.element = 0x3000;
  EXPECT_EQ(LookupName(overlay, false), "*** Unidentified ***");
  EXPECT_FALSE(overlay.HasVR()) << "no row, no VR";

  TagRecord priv;
  priv.group = 0x0009;
  priv.element = 0x0010;
  priv.SetVR("LO");
  EXPECT_EQ(LookupName(priv, false), kUnidentifiedName);
  EXPECT_EQ(priv.VRText(), "LO");

  TagRecord outOfOrder;
  outOfOrder.group = 0x0018;
  outOfOrder.element = 0x9240;
  EXPECT_EQ(LookupName(outOfOrder, false), "RF Echo Train Length");
  EXPECT_EQ(outOfOrder.VRText(), "US");
}

}  // namespace
}  // namespace norvane
