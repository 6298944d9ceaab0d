// Keywords to tags, and UIDs in texts followed by their names.

#include <gtest/gtest.h>

#include "dictionary/keywords.hpp"
#include "dictionary/uid_names.hpp"

namespace norvane {
namespace {

TEST(Keywords, FindTheirTagsWhateverTheCaseOfLetters) {
  EXPECT_EQ(TagOfKeyword("PatientBirthDate"), (Tag{0x0010, 0x0030}));
  EXPECT_EQ(TagOfKeyword("modalitiesinstudy"), (Tag{0x0008, 0x0061}));
  EXPECT_EQ(TagOfKeyword("AbsoluteChannelDisplayScale"), (Tag{0x003A, 0x0248}));  // the first
  EXPECT_EQ(TagOfKeyword("PixelData"), (Tag{0x7FE0, 0x0010}));
  for (const char* text : {"", "PatientBD", "Patient's Birth Date", "PatientBirthDat"}) {
    EXPECT_FALSE(TagOfKeyword(text).has_value()) << text;
  }
}

TEST(UIDNames, FollowTheUIDsOfATextThatTheDictionaryKnows) {
  const struct {
    const char* text;
    const char* named;
  } cases[] = {
      {"1.2.840.10008.1.2.4.91", "1.2.840.10008.1.2.4.91 (JPEG 2000 Image Compression)"},
      {"from 1.2.840.10008.1.2.1 to 1.2.840.10008.1.2: done",
       "from 1.2.840.10008.1.2.1 (Explicit VR Little Endian) to 1.2.840.10008.1.2 (Implicit VR "
       "Little Endian): done"},
      {"is 1.2.840.10008.1.1.", "is 1.2.840.10008.1.1 (Verification SOP Class)."},
      {"Verification (1.2.840.10008.1.1)", "Verification (1.2.840.10008.1.1)"},
      {"1.2.840.10008.1.1 (Verification SOP Class) twice",
       "1.2.840.10008.1.1 (Verification SOP Class) twice"},
      {"1.2.840.10008.1.2.99 is unknown", "1.2.840.10008.1.2.99 is unknown"},
      {"x1.2.840.10008.1.1 and 1.2.840.10008.1.1x", "x1.2.840.10008.1.1 and 1.2.840.10008.1.1x"},
      {"status 0x0000, 2.5 s", "status 0x0000, 2.5 s"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NameUIDsInText(c.text), c.named) << c.text;
  }
  EXPECT_EQ(UIDWithName("1.2.3"), "1.2.3");
  EXPECT_EQ(UIDName("1.2.840.10008.5.1.4.1.2.1.1"),
            "Patient Root Query/Retrieve Information Model - FIND");
}

}  // namespace
}  // namespace norvane
