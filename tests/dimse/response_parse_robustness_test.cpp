// Response identifiers come from the peer and may hold anything: cut and scrambled
// sequences and values must give records, never reads past the values (run under the
// address sanitizer to see it).

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "dimse/query_identifier.hpp"
#include "dimse/worklist_identifier.hpp"
#include "elements/tag_list.hpp"
#include "net/message_fixture.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::MessageBuilder;
using testing::Text;

// A well-formed step sequence value: one item holding a nested sequence and step keys.
Bytes StepSequenceValue() {
  const Bytes code = MessageBuilder()
                         .Implicit(0x0008, 0x0100, Text("P1"))
                         .Implicit(0x0008, 0x0102, Text("99"))
                         .bytes();
  const Bytes codeItem = MessageBuilder().Implicit(0xFFFE, 0xE000, code).bytes();
  const Bytes steps = MessageBuilder()
                          .Implicit(0x0008, 0x0060, Text("CT"))
                          .Implicit(0x0040, 0x0008, codeItem)
                          .Implicit(0x0040, 0x0002, Text("20240115"))
                          .Implicit(0x0040, 0x0009, Text("SPS1"))
                          .bytes();
  return MessageBuilder().Implicit(0xFFFE, 0xE000, steps).bytes();
}

TEST(ResponseParseRobustness, ScrambledStepSequencesNeverReadOutsideTheirValue) {
  const Bytes good = StepSequenceValue();
  std::mt19937 random(20240115);
  for (int round = 0; round < 3000; ++round) {
    Bytes value = good;
    const int changes = 1 + static_cast<int>(random() % 6);
    for (int c = 0; c < changes; ++c) {
      value[random() % value.size()] = static_cast<uint8_t>(random());
    }
    if (round % 3 == 0) value.resize(random() % (value.size() + 1));
    TagList response;
    response.push_back(GenerateTag(0x0040, 0x0100, "SQ", value));
    response.push_back(GenerateTextTag(0x0010, 0x0010, "PN", "DOE^J "));
    TWorklistItem item;
    ElementReaderState state;
    state.explicitVR = (round % 2) == 1;
    ParseWorklistResponse(item, response, state);
    EXPECT_EQ(item.PatientName, "DOE^J ");
    EXPECT_LE(item.Modality.size(), value.size());
    EXPECT_LE(item.SPSStartDate.size(), value.size());
  }
}

TEST(ResponseParseRobustness, RecordsWithOddLengthsAndStrayBytesGiveBoundedTexts) {
  std::mt19937 random(7);
  const uint16_t tags[][2] = {{0x0010, 0x0010}, {0x0020, 0x000D}, {0x0008, 0x0061},
                              {0x0040, 0x0100}, {0xFFFE, 0xE000}, {0x0040, 0x0002},
                              {0x0008, 0x0018}, {0x0028, 0x0008}};
  for (int round = 0; round < 500; ++round) {
    TagList response;
    const size_t count = random() % 20;
    for (size_t i = 0; i < count; ++i) {
      const auto& tag = tags[random() % std::size(tags)];
      Bytes value(random() % 40);
      for (uint8_t& b : value)
        b = static_cast<uint8_t>(random());
      TagRecord record = GenerateTag(tag[0], tag[1], "UN", value);
      if (random() % 10 == 0) {
        record.length = kUndefinedLength;
        record.value.clear();
      }
      response.push_back(std::move(record));
    }
    StudyInfo study;
    ParseStudyResponse(study, response);
    ImageInfo image;
    ParseImageResponse(image, response);
    TWorklistItem item;
    ParseWorklistResponse(item, response);
    EXPECT_LE(study.PatientName.size(), 40u);
    EXPECT_LE(image.SOPInstanceUID.size(), 40u);
    EXPECT_EQ(study.PatientName.find('\0'), std::string::npos) << "texts end at a NUL";
    EXPECT_EQ(item.Reserved, "");
  }
}

}  // namespace
}  // namespace norvane
