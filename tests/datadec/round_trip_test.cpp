// Lists encoded with EncodeTags and read back element by element give the same records and,
// encoded again, the same bytes; real files from pydicom's collection read and re-encode to
// their own bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "datadec/element_encoding.hpp"
#include "datadec/element_reader.hpp"
#include "support/peers.hpp"
#include "test_bytes.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Describe;
using testing::Hex;
using testing::Record;
using testing::Text;
using testing::Undefined;

struct Syntax {
  const char* name;
  bool explicitVR;
  ByteOrder order;
};

constexpr Syntax kSyntaxes[] = {{"implicit little endian", false, ByteOrder::kLittleEndian},
                                {"explicit little endian", true, ByteOrder::kLittleEndian},
                                {"explicit big endian", true, ByteOrder::kBigEndian}};

// A meta group and a dataset with an undefined-length sequence, a defined-length sequence
// and encapsulated pixel data.
TagList SampleList() {
  return {
      Record(0x0002, 0x0000, "UL", {0x1E, 0, 0, 0}),
      Record(0x0002, 0x0001, "OB", {0x00, 0x01}),
      Record(0x0002, 0x0010, "UI", Text("1.2.840.10008.1.2.1\0")),
      Record(0x0008, 0x0016, "UI", Text("1.2.840.10008.5.1.4.1.1.7\0")),
      Record(0x0008, 0x0060, "CS", Text("OT")),
      Undefined(0x0008, 0x1140, "SQ"),
      Undefined(0xFFFE, 0xE000, "DL"),
      Record(0x0008, 0x1150, "UI", Text("1.2.3\0")),
      Record(0xFFFE, 0xE00D, "DL", {}),
      Record(0xFFFE, 0xE000, "DL", {0x08, 0x00, 0x55, 0x11, 0x02, 0x00, 0x00, 0x00, '4', 0}),
      Record(0xFFFE, 0xE0DD, "DL", {}),
      Record(0x0010, 0x0010, "PN", Text("DOE^JANE")),
      Record(0x0028, 0x0010, "US", {0x00, 0x02}),
      Record(0x0040, 0xA160, "UT", Text("free text")),
      Undefined(0x7FE0, 0x0010, "OB"),
      Record(0xFFFE, 0xE000, "DL", {}),
      Record(0xFFFE, 0xE000, "DL", {0xFF, 0xD8, 0xFF, 0xD9}),
      Record(0xFFFE, 0xE0DD, "DL", {}),
  };
}

// What reading gives back: no VR for items and delimiters, none in implicit data outside the
// meta group.
TagRecord AsRead(TagRecord r, bool explicitVR) {
  if (r.group == kItemGroup || (!explicitVR && r.group != kMetaGroup)) r.SetVR("");
  return r;
}

TEST(RoundTrip, EncodeThenReadGivesSameRecordsAndBytesInEverySyntax) {
  const TagList list = SampleList();
  for (const Syntax& syntax : kSyntaxes) {
    SCOPED_TRACE(syntax.name);
    const auto bytes = EncodeTags(list, syntax.explicitVR, syntax.order);
    ASSERT_TRUE(bytes.has_value());
    ElementReader reader(*bytes, syntax.explicitVR, syntax.order == ByteOrder::kBigEndian, true);
    TagList read;
    while (!reader.AtEnd()) {
      std::optional<TagRecord> r = ReadElement(reader);
      ASSERT_TRUE(r.has_value()) << "stopped at byte " << reader.position << " after\n"
                                 << Describe(read);
      read.push_back(std::move(*r));
    }
    ASSERT_EQ(read.size(), list.size()) << Describe(read);
    for (size_t i = 0; i < list.size(); ++i) {
      EXPECT_TRUE(testing::SameRecord(read[i], AsRead(list[i], syntax.explicitVR)))
          << "record " << i << " read as " << Describe(read[i]);
    }
    const auto again = EncodeTags(read, syntax.explicitVR, syntax.order);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, *bytes) << "first:  " << Hex(*bytes) << "\nsecond: " << Hex(*again);
  }
}

// Reads a DICOM file (preamble, "DICM", meta group, dataset) flat the way the file readers do: meta
// group explicit little endian, then the dataset in the syntax its transfer syntax UID names.
std::optional<TagList> ReadFileFlat(const Bytes& file, bool& explicitVR, bool& bigEndian) {
  if (file.size() < 132 || std::memcmp(file.data() + 128, "DICM", 4) != 0) return std::nullopt;
  ElementReader reader(std::span<const uint8_t>(file).subspan(132), true, false, true);
  TagList list;
  while (!reader.AtEnd()) {
    std::optional<TagRecord> r = ReadElement(reader);
    if (!r) return std::nullopt;
    if (r->Is(0x0002, 0x0010) && reader.inMetaGroup) {
      const std::string uid(r->value.begin(), std::find(r->value.begin(), r->value.end(), 0));
      if (uid == "1.2.840.10008.1.2") reader.explicitVR = false;
      if (uid == "1.2.840.10008.1.2.2") reader.bigEndian = true;
    }
    list.push_back(std::move(*r));
  }
  explicitVR = reader.explicitVR;
  bigEndian = reader.bigEndian;
  return list;
}

class PydicomFileRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(PydicomFileRoundTrip, ReadsFlatAndReencodesToTheSameBytes) {
  const Bytes file = testing::ReadFileBytes(testing::PydicomFile(GetParam()));
  if (file.empty()) GTEST_SKIP() << "pydicom sample " << GetParam() << " not installed";
  bool explicitVR = true;
  bool bigEndian = false;
  const std::optional<TagList> list = ReadFileFlat(file, explicitVR, bigEndian);
  ASSERT_TRUE(list.has_value());
  ASSERT_GT(list->size(), 10u);
  const auto bytes =
      EncodeTags(*list, explicitVR, bigEndian ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian);
  ASSERT_TRUE(bytes.has_value());
  const Bytes original(file.begin() + 132, file.end());
  ASSERT_EQ(bytes->size(), original.size());
  const auto mismatch = std::mismatch(bytes->begin(), bytes->end(), original.begin());
  EXPECT_TRUE(mismatch.first == bytes->end())
      << "first difference at dataset byte " << (mismatch.first - bytes->begin());
}

INSTANTIATE_TEST_SUITE_P(Samples, PydicomFileRoundTrip,
                         ::testing::Values("CT_small.dcm", "MR_small_implicit.dcm",
                                           "MR_small_bigendian.dcm", "rtplan.dcm",
                                           "SC_rgb_jpeg_dcmtk.dcm", "waveform_ecg.dcm",
                                           "reportsi.dcm"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace norvane
