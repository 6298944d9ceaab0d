#include "datadec/element_reader.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "support/peers.hpp"
#include "test_bytes.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Hex;
using testing::Text;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The bytes as a temporary file, opened for reading.
File AsFile(const Bytes& bytes) {
  File file(std::tmpfile());
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  std::rewind(file.get());
  return file;
}

void ExpectHeader(const std::optional<ElementHeader>& h, uint16_t group, uint16_t element,
                  std::string_view vr, uint32_t length, uint32_t headerSize) {
  ASSERT_TRUE(h.has_value()) << "no header for (" << std::hex << group << "," << element << ")";
  EXPECT_EQ(h->group, group);
  EXPECT_EQ(h->element, element);
  EXPECT_EQ(h->VRText(), vr);
  EXPECT_EQ(h->length, length);
  EXPECT_EQ(h->headerSize, headerSize);
}

TEST(ReadElementHeader, ExplicitLittleEndianShortAndLongForms) {
  const Bytes bytes = {0x10, 0x00, 0x10, 0x00, 'P',  'N',  0x08, 0x00,  // short
                       0xE0, 0x7F, 0x10, 0x00, 'O',  'B',  0x00, 0x00,
                       0x00, 0x00, 0x01, 0x00,                           // long, 65536
                       0xFE, 0xFF, 0x00, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF};  // item, no VR
  ElementReader reader(bytes, true, false);
  ExpectHeader(ReadElementHeader(reader), 0x0010, 0x0010, "PN", 8, 8);
  ExpectHeader(ReadElementHeader(reader), 0x7FE0, 0x0010, "OB", 0x10000, 12);
  ExpectHeader(ReadElementHeader(reader), 0xFFFE, 0xE000, "", kUndefinedLength, 8);
  EXPECT_TRUE(reader.AtEnd());
}

TEST(ReadElementHeader, UnknownVRTakesShortLength) {
  const Bytes bytes = {0x09, 0x00, 0x10, 0x00, 'Z', 'Z', 0x03, 0x00};
  ElementReader reader(bytes, true, false);
  ExpectHeader(ReadElementHeader(reader), 0x0009, 0x0010, "ZZ", 3, 8);
}

TEST(ReadElementHeader, ImplicitAndBigEndian) {
  const Bytes implicitBytes = {0x28, 0x00, 0x10, 0x00, 0x02, 0x00, 0x00, 0x00};
  ElementReader implicitReader(implicitBytes, false, false);
  ExpectHeader(ReadElementHeader(implicitReader), 0x0028, 0x0010, "", 2, 8);

  const Bytes big = {0x00, 0x28, 0x00, 0x10, 'U',  'S',  0x00, 0x02,  //
                     0x00, 0x40, 0xA1, 0x60, 'U',  'T',  0x00, 0x00, 0x00, 0x01,
                     0x00, 0x00, 0xFF, 0xFE, 0xE0, 0xDD, 0x00, 0x00, 0x00, 0x00};
  ElementReader bigReader(big, true, true);
  ExpectHeader(ReadElementHeader(bigReader), 0x0028, 0x0010, "US", 2, 8);
  ExpectHeader(ReadElementHeader(bigReader), 0x0040, 0xA160, "UT", 0x10000, 12);
  ExpectHeader(ReadElementHeader(bigReader), 0xFFFE, 0xE0DD, "", 0, 8);
}

TEST(ReadElementHeader, MetaGroupIsLittleEndianThenBigEndianDatasetFollows) {
  const Bytes bytes = Concat({{0x02, 0x00, 0x10, 0x00, 'U', 'I', 0x14, 0x00},
                              Text("1.2.840.10008.1.2.2\0"),
                              {0x00, 0x08, 0x00, 0x16, 'U', 'I', 0x00, 0x1A}});
  ElementReader reader(bytes, true, true, true);
  const auto meta = ReadElement(reader);
  ASSERT_TRUE(meta.has_value());
  EXPECT_EQ(meta->length, 20u);
  EXPECT_TRUE(reader.inMetaGroup);
  ExpectHeader(ReadElementHeader(reader), 0x0008, 0x0016, "UI", 26, 8);
  EXPECT_FALSE(reader.inMetaGroup) << "group 0008 ends the meta group for good";
  EXPECT_TRUE(reader.bigEndian);
}

TEST(ReadElementHeader, MetaGroupEndsAtFirstLittleEndianGroupAboveTwo) {
  // Implicit dataset after an explicit meta group: the flags say implicit, the meta
  // elements still carry VRs.
  const Bytes bytes = Concat({{0x02, 0x00, 0x10, 0x00, 'U', 'I', 0x02, 0x00, '1', 0},
                              {0x08, 0x00, 0x16, 0x00, 0x04, 0x00, 0x00, 0x00}});
  ElementReader reader(bytes, false, false, true);
  ExpectHeader(ReadElementHeader(reader), 0x0002, 0x0010, "UI", 2, 8);
  reader.position += 2;
  ExpectHeader(ReadElementHeader(reader), 0x0008, 0x0016, "", 4, 8);
  EXPECT_FALSE(reader.inMetaGroup);
}

TEST(ReadElementHeader, ImplicitMetaGroupInExplicitFileSwitchesToImplicit) {
  // (0002,0000) written implicitly with length 4, then the rest of the file implicit.
  const Bytes bytes = Concat({{0x02, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00},
                              {0x1A, 0x00, 0x00, 0x00},
                              {0x02, 0x00, 0x10, 0x00, 0x12, 0x00, 0x00, 0x00},
                              Text("1.2.840.10008.1.2\0"),
                              {0x08, 0x00, 0x60, 0x00, 0x02, 0x00, 0x00, 0x00},
                              Text("CT")});
  ElementReader reader(bytes, true, false, true);
  ExpectHeader(ReadElementHeader(reader), 0x0002, 0x0000, "", 4, 8);
  EXPECT_FALSE(reader.explicitVR);
  EXPECT_FALSE(reader.inMetaGroup);
  ASSERT_TRUE(ReadElementValue(reader, 4).has_value());
  const auto syntax = ReadElement(reader);
  ASSERT_TRUE(syntax.has_value());
  EXPECT_EQ(syntax->length, 18u);
  EXPECT_FALSE(syntax->HasVR());
  const auto modality = ReadElement(reader);
  ASSERT_TRUE(modality.has_value());
  EXPECT_EQ(modality->value, Text("CT"));
  EXPECT_TRUE(reader.AtEnd());
}

TEST(ReadElementHeader, ImplicitMetaVersionElementGetsItsLength) {
  const Bytes bytes = {0x02, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
  ElementReader reader(bytes, true, false, true);
  const auto version = ReadElement(reader);
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(version->length, 2u);
  EXPECT_EQ(version->value, (Bytes{0x00, 0x01}));
}

TEST(ReadElementHeader, ImplicitMetaLengthAboveByteRangeFailsCleanly) {
  // Only the first length byte survives the implicit-meta rule, and as a signed byte: 0x90
  // gives a length far past the end, which the value read rejects.
  const Bytes bytes = Concat({{0x02, 0x00, 0x00, 0x00, 0x90, 0x00, 0x00, 0x00}, Bytes(0x90, 0)});
  ElementReader reader(bytes, true, false, true);
  const auto header = ReadElementHeader(reader);
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->length, 0xFFFFFF90u);
  reader.position = 0;
  reader.explicitVR = true;
  reader.inMetaGroup = true;
  EXPECT_FALSE(ReadElement(reader).has_value());
  EXPECT_EQ(reader.position, 0u);
}

TEST(ReadElementHeader, TruncatedHeaderFailsAndLeavesPositionAndFlags) {
  const Bytes full = {0x08, 0x00, 0x40, 0x11, 'S', 'Q', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  for (size_t cut = 0; cut < full.size(); ++cut) {
    const Bytes bytes(full.begin(), full.begin() + static_cast<ptrdiff_t>(cut));
    ElementReader reader(bytes, true, false, true);
    EXPECT_FALSE(ReadElementHeader(reader).has_value()) << "cut after " << cut << " bytes";
    EXPECT_EQ(reader.position, 0u);
    EXPECT_TRUE(reader.inMetaGroup) << "cut after " << cut;
    EXPECT_TRUE(reader.explicitVR);
  }
  const Bytes implicitCut = {0x08, 0x00, 0x16, 0x00, 0x04, 0x00, 0x00};
  ElementReader implicitReader(implicitCut, false, false);
  EXPECT_FALSE(ReadElementHeader(implicitReader).has_value());
}

TEST(ReadElement, ValuePastTheEndFails) {
  const Bytes bytes = {0x10, 0x00, 0x10, 0x00, 'P', 'N', 0x08, 0x00, 'D', 'O', 'E'};
  ElementReader reader(bytes, true, false);
  EXPECT_FALSE(ReadElement(reader).has_value());
  EXPECT_EQ(reader.position, 0u);
  const Bytes huge = {0xE0, 0x7F, 0x10, 0x00, 'O', 'B', 0, 0, 0xF0, 0xFF, 0xFF, 0xFF, 1};
  ElementReader hugeReader(huge, true, false);
  EXPECT_FALSE(ReadElement(hugeReader).has_value());
}

TEST(ReadElement, UndefinedLengthAndZeroLengthHaveNoValue) {
  const Bytes bytes = {0x08, 0x00, 0x40, 0x11, 'S',  'Q',  0,   0,   0xFF, 0xFF,
                       0xFF, 0xFF, 0x10, 0x00, 0x10, 0x00, 'P', 'N', 0,    0};
  ElementReader reader(bytes, true, false);
  const auto sq = ReadElement(reader);
  ASSERT_TRUE(sq.has_value());
  EXPECT_TRUE(sq->HasUndefinedLength());
  EXPECT_TRUE(sq->value.empty());
  const auto empty = ReadElement(reader);
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->length, 0u);
  EXPECT_TRUE(reader.AtEnd());
}

TEST(ReadElementHeaderFile, SameRulesAsInMemory) {
  const Bytes bytes = Concat({{0x02, 0x00, 0x10, 0x00, 'U', 'I', 0x14, 0x00},
                              Text("1.2.840.10008.1.2.2\0"),
                              {0x00, 0x08, 0x00, 0x16, 'U', 'I', 0x00, 0x02, '1', 0},
                              {0x00, 0x40, 0xA1, 0x60, 'U', 'T', 0, 0, 0, 0, 0, 1, 'X'},
                              {0xFF, 0xFE, 0xE0, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}});
  ElementReader memory(bytes, true, true, true);
  const File file = AsFile(bytes);
  ElementReaderState state{true, true, true};
  while (!memory.AtEnd()) {
    const auto expected = ReadElementHeader(memory);
    ASSERT_TRUE(expected.has_value());
    const auto fromFile = ReadElementHeader(state, file.get());
    ASSERT_TRUE(fromFile.has_value());
    EXPECT_EQ(fromFile->group, expected->group);
    EXPECT_EQ(fromFile->element, expected->element);
    EXPECT_EQ(fromFile->VRText(), expected->VRText());
    EXPECT_EQ(fromFile->length, expected->length);
    EXPECT_EQ(fromFile->headerSize, expected->headerSize);
    EXPECT_EQ(state.inMetaGroup, memory.inMetaGroup);
    if (expected->HasValue()) {
      const auto value = ReadElementValue(file.get(), expected->length);
      ASSERT_TRUE(value.has_value());
      EXPECT_EQ(*value, Bytes(memory.stream.begin() + static_cast<ptrdiff_t>(memory.position),
                              memory.stream.begin() +
                                  static_cast<ptrdiff_t>(memory.position + value->size())));
      memory.position += expected->length;
    }
    EXPECT_EQ(static_cast<size_t>(std::ftell(file.get())), memory.position);
  }
}

TEST(ReadElementHeaderFile, TruncationAndShortValuesFailWithPositionKept) {
  const Bytes bytes = {0x10, 0x00, 0x10, 0x00, 'P', 'N', 0x08, 0x00, 'D', 'O', 'E'};
  const File file = AsFile(bytes);
  ElementReaderState state{true, false, false};
  EXPECT_FALSE(ReadElement(state, file.get()).has_value());
  EXPECT_EQ(std::ftell(file.get()), 0);
  const auto header = ReadElementHeader(state, file.get());
  ASSERT_TRUE(header.has_value());
  EXPECT_FALSE(ReadElementValue(file.get(), header->length).has_value());
  EXPECT_EQ(std::ftell(file.get()), 8);
  EXPECT_FALSE(ReadElementValue(file.get(), 0xFFFFFFF0u).has_value())
      << "a huge length is refused before anything is allocated";

  const File cut = AsFile({0x10, 0x00, 0x10, 0x00, 'P'});
  ElementReaderState cutState{true, false, true};
  EXPECT_FALSE(ReadElementHeader(cutState, cut.get()).has_value());
  EXPECT_EQ(std::ftell(cut.get()), 0);
  EXPECT_TRUE(cutState.inMetaGroup);
}

}  // namespace
}  // namespace norvane
