// Data sets in the DICOM JSON Model: one table of single elements and their JSON, and the
// structures around them (sequences, encapsulated pixel data, character sets, limits).

#include "dump/dicom_json.hpp"

#include <gtest/gtest.h>

#include "dump_test_support.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Record;
using testing::SequenceOfTwoItems;
using testing::Text;
using testing::Undefined;

std::string Json(const TagList& list, DicomJsonOptions options = {}) {
  return DatasetToJson(list, options).dataset.dump();
}

struct ElementCase {
  const char* what;
  TagRecord record;
  const char* json;  // the attribute's member
  bool bigEndian = false;
};

TEST(DicomJson, EachValueRepresentationTakesItsJsonForm) {
  const ElementCase cases[] = {
      {"PN groups", Record(0x0010, 0x0010, "PN", Text("Doe^John==Dough^John ")),
       R"({"vr":"PN","Value":[{"Alphabetic":"Doe^John","Phonetic":"Dough^John"}]})"},
      {"PN values", Record(0x0008, 0x1060, "PN", Text("A^B\\C^D ")),
       R"({"vr":"PN","Value":[{"Alphabetic":"A^B"},{"Alphabetic":"C^D"}]})"},
      {"empty value among several", Record(0x0008, 0x0008, "CS", Text("ORIGINAL\\\\AXIAL ")),
       R"({"vr":"CS","Value":["ORIGINAL",null,"AXIAL"]})"},
      {"UID pad", Record(0x0008, 0x0016, "UI", Text("1.2.3\0")),
       R"({"vr":"UI","Value":["1.2.3"]})"},
      {"DS numbers", Record(0x0028, 0x0030, "DS", Text(" 1.5\\-2\\3e2")),
       R"({"vr":"DS","Value":[1.5,-2,300.0]})"},
      {"IS number", Record(0x0020, 0x0013, "IS", Text("+12 ")), R"({"vr":"IS","Value":[12]})"},
      {"DS that is no number", Record(0x0028, 0x1050, "DS", Text("abc ")),
       R"({"vr":"DS","Value":["abc"]})"},
      {"US", Record(0x0028, 0x0010, "US", {0x01, 0x00, 0xFF, 0xFF}),
       R"({"vr":"US","Value":[1,65535]})"},
      {"SS", Record(0x0028, 0x0106, "SS", {0xFF, 0xFF}), R"({"vr":"SS","Value":[-1]})"},
      {"SL big endian", Record(0x0018, 0x6020, "SL", {0xFF, 0xFF, 0xFF, 0xFE}),
       R"({"vr":"SL","Value":[-2]})", true},
      {"FL shortest", Record(0x0018, 0x9306, "FL", {0x33, 0x33, 0x33, 0x3F}),
       R"({"vr":"FL","Value":[0.7]})"},
      {"FD", Record(0x0018, 0x9087, "FD", {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}),
       R"({"vr":"FD","Value":[1.5]})"},
      {"AT", Record(0x0020, 0x5000, "AT", {0x10, 0x00, 0x20, 0x00}),
       R"({"vr":"AT","Value":["00100020"]})"},
      {"OB inline", Record(0x0009, 0x1001, "OB", {1, 2, 3}),
       R"({"vr":"OB","InlineBinary":"AQID"})"},
      {"OW big endian goes little endian", Record(0x0028, 0x1201, "OW", {0x01, 0x02}),
       R"({"vr":"OW","InlineBinary":"AgE="})", true},
      {"LT one value", Record(0x0020, 0x4000, "LT", Text("one\\two  ")),
       R"({"vr":"LT","Value":["one\\two"]})"},
      {"no value", Record(0x0008, 0x0050, "SH", {}), R"({"vr":"SH"})"},
      {"blanks only", Record(0x0008, 0x0050, "SH", Text("  ")), R"({"vr":"SH"})"},
      {"no VR: the dictionary's", Record(0x0028, 0x0011, "", {0x40, 0x00}),
       R"({"vr":"US","Value":[64]})"},
      {"private creator without VR", Record(0x0029, 0x0010, "", Text("MAKER ")),
       R"({"vr":"LO","Value":["MAKER"]})"},
  };
  for (const ElementCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string tag = Json({c.record}, {.bigEndian = c.bigEndian});
    char name[9];
    std::snprintf(name, sizeof name, "%04X%04X", c.record.group, c.record.element);
    EXPECT_EQ(tag, std::string("{\"") + name + "\":" + c.json + "}");
  }
}

TEST(DicomJson, BinaryValuesAboveTheLimitGiveTheirLength) {
  const TagList list = {Record(0x7FE0, 0x0010, "OW", Bytes(100, 7))};
  EXPECT_EQ(Json(list, {.inlineBinaryLimit = 99}), R"({"7FE00010":{"vr":"OW","length":100}})");
  EXPECT_NE(Json(list, {.inlineBinaryLimit = 100}).find("InlineBinary"), std::string::npos);
}

TEST(DicomJson, SequencesOfEitherLengthHoldTheirItems) {
  const TagList undefined = {Undefined(0x0008, 0x1115, "SQ"),
                             Undefined(0xFFFE, 0xE000, ""),
                             Record(0x0020, 0x000E, "UI", Text("1.2\0")),
                             Record(0xFFFE, 0xE00D, "", {}),
                             Undefined(0xFFFE, 0xE000, ""),
                             Record(0xFFFE, 0xE00D, "", {}),
                             Record(0xFFFE, 0xE0DD, "", {}),
                             Record(0x0010, 0x0020, "LO", Text("ID"))};
  EXPECT_EQ(Json(undefined),
            R"({"00081115":{"vr":"SQ","Value":[{"0020000E":{"vr":"UI","Value":["1.2"]}},{}]},)"
            R"("00100020":{"vr":"LO","Value":["ID"]}})");

  for (const bool explicitVR : {true, false}) {
    SCOPED_TRACE(explicitVR ? "explicit VR" : "implicit VR");
    EXPECT_EQ(Json({SequenceOfTwoItems(explicitVR)}, {.explicitVR = explicitVR}),
              R"({"00081140":{"vr":"SQ","Value":[{"00081150":{"vr":"UI","Value":)"
              R"(["1.2.840.10008.5.1.4.1.1.2"]},"00081155":{"vr":"UI","Value":["1.2.3.4"]}},)"
              R"({"00280010":{"vr":"US","Value":[512]}}]}})");
  }
  const DicomJson malformed = DatasetToJson({Record(0x0008, 0x1140, "SQ", {0xFE, 0xFF, 0x00})});
  EXPECT_TRUE(malformed.malformedSequence);
  EXPECT_EQ(malformed.dataset.dump(), R"({"00081140":{"vr":"SQ","length":3}})");
}

TEST(DicomJson, EncapsulatedPixelDataGivesItsFragmentsLengthAndGroupLengthsAreLeftOut) {
  const TagList list = {Record(0x0028, 0x0000, "UL", {4, 0, 0, 0}),
                        Record(0x0028, 0x0010, "US", {1, 0}),
                        Undefined(0x7FE0, 0x0010, "OB"),
                        Record(0xFFFE, 0xE000, "", {}),
                        Record(0xFFFE, 0xE000, "", Bytes(10, 1)),
                        Record(0xFFFE, 0xE000, "", Bytes(6, 2)),
                        Record(0xFFFE, 0xE0DD, "", {})};
  EXPECT_EQ(Json(list), R"({"00280010":{"vr":"US","Value":[1]},)"
                        R"("7FE00010":{"vr":"OB","length":16,"fragments":2}})");
}

TEST(DicomJson, Latin1TextsBecomeUtf8AndTheCharacterSetSaysSo) {
  const TagList latin1 = {Record(0x0008, 0x0005, "CS", Text("ISO_IR 100")),
                          Record(0x0010, 0x0010, "PN", Text("M\xFCller^J\xF6rg")),
                          Record(0x0010, 0x0020, "LO", Text("\xE9t\xE9 "))};
  EXPECT_EQ(Json(latin1),
            "{\"00080005\":{\"vr\":\"CS\",\"Value\":[\"ISO_IR 192\"]},"
            "\"00100010\":{\"vr\":\"PN\",\"Value\":[{\"Alphabetic\":"
            "\"M\xC3\xBCller^J\xC3\xB6rg\"}]},"
            "\"00100020\":{\"vr\":\"LO\",\"Value\":[\"\xC3\xA9t\xC3\xA9\"]}}");
  // A character set that is not converted stays as it is, and so do its texts.
  const TagList other = {Record(0x0008, 0x0005, "CS", Text("ISO_IR 144")),
                         Record(0x0010, 0x0010, "PN", Text("\xE8\xE0"))};
  const nlohmann::ordered_json json = DatasetToJson(other).dataset;
  EXPECT_EQ(json["00080005"]["Value"][0], "ISO_IR 144");
  EXPECT_EQ(json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace),
            "{\"00080005\":{\"vr\":\"CS\",\"Value\":[\"ISO_IR 144\"]},\"00100010\":{\"vr\":\"PN\","
            "\"Value\":[{\"Alphabetic\":\"\xEF\xBF\xBD\xEF\xBF\xBD\"}]}}");
}

TEST(DicomJson, NestingIsBoundedAndStrayDelimitersAreSkipped) {
  TagList deep;
  for (int i = 0; i < 1000; ++i) {
    deep.push_back(Undefined(0x0008, 0x1140, "SQ"));
    deep.push_back(Undefined(0xFFFE, 0xE000, ""));
  }
  for (int i = 0; i < 1000; ++i) {
    deep.push_back(Record(0xFFFE, 0xE00D, "", {}));
    deep.push_back(Record(0xFFFE, 0xE0DD, "", {}));
  }
  deep.push_back(Record(0xFFFE, 0xE0DD, "", {}));  // one too many
  deep.push_back(Record(0x0010, 0x0020, "LO", Text("after")));
  const DicomJson json = DatasetToJson(deep);
  EXPECT_TRUE(json.nestedTooDeep);
  EXPECT_EQ(json.dataset["00100020"]["Value"][0], "after");
  int depth = 0;
  for (const auto* level = &json.dataset; level->contains("00081140"); ++depth) {
    const auto& sequence = (*level)["00081140"];
    if (!sequence.contains("Value")) break;
    level = &sequence["Value"][0];
  }
  EXPECT_EQ(depth, kMaxJsonDepth);
}

}  // namespace
}  // namespace norvane
