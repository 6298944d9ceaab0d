// A dump that leaves long values in the file shows the lines and JSON of one that reads
// every value, and leaves all in the file but what is read as elements.

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

constexpr size_t kLong = 70000;  // past the 64 KiB from which values may stay in the file

TEST(LargeValuesDump, LinesAndJsonAreThoseOfAFullReadWithLongValuesLeftInTheFile) {
  for (const bool explicitVR : {true, false}) {
    SCOPED_TRACE(explicitVR ? "explicit VR" : "implicit VR");
    const auto vr = [&](std::string_view letters) { return explicitVR ? letters : ""; };
    const auto encoded = [&](const TagList& list) {
      return testing::Encoded(list, explicitVR, ByteOrder::kLittleEndian);
    };
    const Bytes item = encoded({Record(0x0009, 0x0010, vr("LO"), testing::Text("NORVANE ")),
                                Record(0x0009, 0x1010, vr("OB"), Bytes(kLong, 1))});
    // Long binary and text values, a sequence of defined length, an item of defined length
    // in a sequence of undefined length, and fragments of encapsulated pixel data.
    const TagList dataset = {
        Record(0x0008, 0x1140, vr("SQ"), encoded({Record(0xFFFE, 0xE000, "", item)})),
        Record(0x0009, 0x0010, vr("LO"), testing::Text("NORVANE ")),
        Record(0x0009, 0x1010, vr("OB"), Bytes(kLong, 2)),
        testing::Undefined(0x0040, 0x0275, vr("SQ")),
        Record(0xFFFE, 0xE000, "", item),
        Record(0xFFFE, 0xE0DD, "", {}),
        Record(0x0040, 0xA160, vr("UT"), Bytes(kLong, 'A')),
        testing::Undefined(0x7FE0, 0x0010, vr("OB")),
        Record(0xFFFE, 0xE000, "", {}),
        Record(0xFFFE, 0xE000, "", Bytes(kLong, 3)),
        Record(0xFFFE, 0xE000, "", Bytes(kLong, 4)),
        Record(0xFFFE, 0xE0DD, "", {})};
    testing::TempDir dir;
    const std::string path = dir / "long.dcm";
    const Bytes uid =
        explicitVR ? testing::Text("1.2.840.10008.1.2.1\0") : testing::Text("1.2.840.10008.1.2\0");
    testing::WriteBytes(path, testing::Part10(testing::MetaGroup(uid), encoded(dataset)));
    const DicomFileContent full = DICOMFile(path);
    const DicomFileContent lazy = DICOMFile(path, LargeValues::kOnlyLengthShown);
    ASSERT_TRUE(full.Ok() && lazy.Ok());
    ASSERT_EQ(lazy.dataset.size(), dataset.size());
    for (size_t i = 0; i < dataset.size(); ++i) {
      const bool left = i == 2 || i == 6 || i == 9 || i == 10;
      EXPECT_EQ(lazy.dataset[i].inFile != nullptr, left) << i;
    }
    std::vector<std::string> fullLines, lazyLines;
    DumpList(full.dataset, fullLines, explicitVR);
    DumpList(lazy.dataset, lazyLines, explicitVR);
    EXPECT_EQ(lazyLines, fullLines);
    for (const size_t inlineMax : {size_t{1024}, kLong}) {
      const DicomJsonOptions options{explicitVR, false, inlineMax};
      EXPECT_EQ(DatasetToJson(lazy.dataset, options).dataset.dump(),
                DatasetToJson(full.dataset, options).dataset.dump())
          << inlineMax;
    }
  }
}

}  // namespace
}  // namespace norvane
