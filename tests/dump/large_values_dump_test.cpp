// A dump that leaves long values in the file shows the same lines and the same JSON as one
// that reads every value, and leaves in the file all but what is read as elements.

#include <gtest/gtest.h>

#include "datadec/dicom_file_reader.hpp"
#include "datadec/dicom_test_files.hpp"
#include "dump/dicom_json.hpp"
#include "dump/dump_list.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Record;
using testing::Text;
using testing::Undefined;

constexpr size_t kLong = 70000;  // past the 64 KiB from which values may stay in the file

Bytes Pattern(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i)
    b[i] = static_cast<uint8_t>(i * 13 + seed);
  return b;
}

// Every kind of long value: binary and text ones, a sequence of defined length, an item of
// defined length in a sequence of undefined length, and fragments of encapsulated pixel
// data.
TagList LongValues(bool explicitVR) {
  const auto vr = [&](std::string_view letters) { return explicitVR ? letters : ""; };
  const ByteOrder le = ByteOrder::kLittleEndian;
  const TagList inItem = {Record(0x0009, 0x0010, vr("LO"), Text("NORVANE ")),
                          Record(0x0009, 0x1010, vr("OB"), Pattern(kLong, 1))};
  const Bytes item = testing::Encoded(inItem, explicitVR, le);
  const TagList items = {Record(0xFFFE, 0xE000, "", item)};
  return {Record(0x0008, 0x0060, vr("CS"), Text("OT")),
          Record(0x0008, 0x1140, vr("SQ"), testing::Encoded(items, explicitVR, le)),
          Record(0x0009, 0x0010, vr("LO"), Text("NORVANE ")),
          Record(0x0009, 0x1010, vr("OB"), Pattern(kLong, 2)),
          Undefined(0x0040, 0x0275, vr("SQ")),
          Record(0xFFFE, 0xE000, "", item),
          Record(0xFFFE, 0xE0DD, "", {}),
          Record(0x0040, 0xA160, vr("UT"), Bytes(kLong, 'A')),
          Undefined(0x7FE0, 0x0010, vr("OB")),
          Record(0xFFFE, 0xE000, "", {}),
          Record(0xFFFE, 0xE000, "", Pattern(kLong, 3)),
          Record(0xFFFE, 0xE000, "", Pattern(kLong + 2, 4)),
          Record(0xFFFE, 0xE0DD, "", {})};
}

TEST(LargeValuesDump, LinesAndJsonAreThoseOfAFullReadWithLongValuesLeftInTheFile) {
  for (const bool explicitVR : {true, false}) {
    SCOPED_TRACE(explicitVR ? "explicit VR" : "implicit VR");
    testing::TempDir dir;
    const std::string path = dir / "long.dcm";
    const TagList dataset = LongValues(explicitVR);
    testing::WriteBytes(
        path, testing::Part10(testing::MetaGroup(explicitVR ? Text("1.2.840.10008.1.2.1\0")
                                                            : Text("1.2.840.10008.1.2\0")),
                              testing::Encoded(dataset, explicitVR, ByteOrder::kLittleEndian)));
    const DicomFileContent full = DICOMFile(path);
    const DicomFileContent lazy = DICOMFile(path, LargeValues::kOnlyLengthShown);
    ASSERT_TRUE(full.Ok() && lazy.Ok());
    ASSERT_EQ(lazy.dataset.size(), dataset.size());

    // Left in the file: the private OB, the text and the two long fragments; the sequence
    // and the item of the other sequence are read as elements and stay.
    for (size_t i = 0; i < dataset.size(); ++i) {
      SCOPED_TRACE(i);
      const bool left = i == 3 || i == 7 || i == 10 || i == 11;
      EXPECT_EQ(lazy.dataset[i].inFile != nullptr, left);
      EXPECT_EQ(lazy.dataset[i].value.empty(), left || !full.dataset[i].HasValue());
    }

    std::vector<std::string> fullLines, lazyLines;
    DumpList(full.dataset, fullLines, explicitVR);
    DumpList(lazy.dataset, lazyLines, explicitVR);
    EXPECT_EQ(lazyLines, fullLines);
    for (const size_t inlineMax : {size_t{1024}, kLong + 2}) {
      SCOPED_TRACE(inlineMax);
      const DicomJsonOptions options{explicitVR, false, inlineMax};
      EXPECT_EQ(DatasetToJson(lazy.dataset, options).dataset.dump(),
                DatasetToJson(full.dataset, options).dataset.dump());
    }
  }
}

}  // namespace
}  // namespace norvane
