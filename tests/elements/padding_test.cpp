// Values built by this system are padded to even length as their VR asks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/tag_list.hpp"

namespace norvane {
namespace {

TEST(Padding, OddValuesTakeThePadByteOfTheirVR) {
  const struct {
    const char* vr;
    std::string text;
    std::string value;
  } cases[] = {
      {"AE", "MVDST", "MVDST "},
      {"AE", "MOVEDEST", "MOVEDEST"},
      {"CS", "STUDY", "STUDY "},
      {"PN", "DOE^J", "DOE^J "},
      {"LO", "12345", "12345 "},
      {"DA", "", ""},
      {"UI", "1.2.3", std::string("1.2.3") + '\0'},
      {"UI", "1.23", "1.23"},
      {"OB", "abc", std::string("abc") + '\0'},
      {"UN", "x", std::string("x") + '\0'},
      {"OW", "abc", std::string("abc") + '\0'},
      {"UT", "odd", "odd "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.vr) + " '" + c.text + "'");
    const TagRecord record = GeneratePaddedTag(Tag{0x0000, 0x0600}, c.vr, c.text);
    EXPECT_TRUE(record.VRIs(c.vr));
    EXPECT_EQ(record.length, c.value.size());
    EXPECT_EQ(std::string(record.value.begin(), record.value.end()), c.value);
  }
}

}  // namespace
}  // namespace norvane
