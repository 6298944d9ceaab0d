#include "datadec/element_codec.hpp"

#include <gtest/gtest.h>

#include <string>

#include "datadec/byte_vector_sink.hpp"
#include "elements/tags.hpp"
#include "test_bytes.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Hex;
using testing::Record;
using testing::Text;
using testing::Undefined;

// What one rule set makes of a record: its bytes (none when refused), and the VR it has
// when those bytes are decoded again under the same rules.
struct Encoded {
  std::optional<Bytes> bytes;
  std::string_view decodedVR;
};

// One record in one syntax, as each rule set encodes it.
struct EncodeCase {
  const char* name;
  DatasetEncoding encoding;
  TagRecord record;
  Encoded network, file, bufData;
};

std::vector<EncodeCase> EncodeCases() {
  const DatasetEncoding explicitLE{.explicitVR = true, .bigEndian = false};
  const DatasetEncoding explicitBE{.explicitVR = true, .bigEndian = true};
  TagRecord shortValue = Record(tag::kModality, "CS", Text("C"));
  shortValue.length = 2;
  const Bytes zeroLetters = {0x08, 0x00, 0x60, 0x00, 0, 0, 2, 0, 'C', 'T'};
  const Bytes zeroFilled = {0x08, 0x00, 0x60, 0x00, 'C', 'S', 2, 0, 'C', 0};
  const Bytes syntaxBE = Concat({{0x00, 0x02, 0x00, 0x10, 'U', 'I', 0x00, 0x04}, Text("1.2\0")});
  const Bytes itemBE = {0xFF, 0xFE, 0xE0, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
  const Bytes modalityCS = {0x08, 0x00, 0x60, 0x00, 'C', 'S', 2, 0, 'C', 'T'};
  const Bytes syntaxLE = Concat({{0x02, 0x00, 0x10, 0x00, 'U', 'I', 0x04, 0x00}, Text("1.2\0")});
  // clang-format off
  return {
      {"explicit record without VR", explicitLE, Record(tag::kModality, "", Text("CT")),
       {modalityCS, "CS"}, {zeroLetters, ""}, {zeroLetters, ""}},
      {"value shorter than its length", explicitLE, shortValue,
       {std::nullopt, ""}, {zeroFilled, "CS"}, {zeroFilled, "CS"}},
      {"length past a 16-bit length field", explicitLE,
       Record(tag::kInstitutionName, "LO", Bytes(0x10000, 'A')),
       {std::nullopt, ""}, {std::nullopt, ""}, {std::nullopt, ""}},
      {"group 0000 in big endian", explicitBE, Record(tag::kCommandField, "US", {0x01, 0x00}),
       {Bytes{0x00, 0x00, 0x00, 0x01, 2, 0, 0, 0, 0x01, 0x00}, "US"},
       {Bytes{0x00, 0x00, 0x01, 0x00, 'U', 'S', 0, 2, 0x01, 0x00}, "US"},
       {Bytes{0x00, 0x00, 0x01, 0x00, 0, 0, 0, 2, 0x01, 0x00}, ""}},
      {"meta group in big endian", explicitBE, Record(tag::kTransferSyntaxUID, "UI", Text("1.2\0")),
       {syntaxBE, "UI"}, {syntaxLE, "UI"}, {syntaxBE, "UI"}},
      {"item in explicit data", explicitBE, Undefined(tag::kItem, "DL"),
       {itemBE, "DL"}, {itemBE, ""}, {itemBE, ""}},
  };
  // clang-format on
}

TEST(ElementCodec, EachRuleSetEncodesAndDecodesItsOwnWay) {
  for (const EncodeCase& c : EncodeCases()) {
    for (const auto& [rulesName, rules, expected] :
         {std::tuple("network", kNetworkRules, c.network), std::tuple("file", kFileRules, c.file),
          std::tuple("BufData", kBufDataRules, c.bufData)}) {
      SCOPED_TRACE(std::string(rulesName) + ": " + c.name);
      const std::optional<EncodedElement> element = EncodeElement(c.record, rules, c.encoding);
      ASSERT_EQ(element.has_value(), expected.bytes.has_value());
      if (!element) continue;
      ByteVectorSink sink;
      ASSERT_TRUE(PutElement(sink, *element));
      EXPECT_EQ(sink.bytes, *expected.bytes) << "written: " << Hex(sink.bytes);
      EXPECT_EQ(EncodedSize(c.record, rules, c.encoding), sink.bytes.size());

      // A file reader reads group 0002 in the meta group; the other rule sets ignore the flag.
      ElementReaderState state{c.encoding.explicitVR, c.encoding.bigEndian,
                               c.record.group == kMetaGroup};
      const std::optional<DecodedElement> decoded = DecodeElement(sink.bytes, rules, state);
      ASSERT_TRUE(decoded.has_value());
      EXPECT_EQ(decoded->size, sink.bytes.size());
      EXPECT_EQ(decoded->record.GetTag(), c.record.GetTag());
      EXPECT_EQ(decoded->record.length, c.record.length);
      EXPECT_EQ(decoded->record.VRText(), expected.decodedVR);
      EXPECT_EQ(decoded->record.value,
                Bytes(sink.bytes.begin() + element->headerSize, sink.bytes.end()));
    }
  }
}

// A header as one rule set decodes it (none when refused), and the reader's flags after it.
struct Decoded {
  std::optional<std::tuple<Tag, std::string_view, uint32_t>> header;  // tag, VR, length
  ElementReaderState after;
};

// Header bytes read from one state, as each rule set decodes them.
struct DecodeCase {
  const char* name;
  ElementReaderState before;
  Bytes bytes;
  Decoded network, file, bufData;
};

TEST(ElementCodec, EachRuleSetDecodesItsOwnWay) {
  const ElementReaderState implicitLE{false, false, false};
  const ElementReaderState explicitLE{true, false, false};
  const ElementReaderState explicitMeta{true, false, true};
  const auto modalityWithoutVR = std::tuple(tag::kModality, std::string_view(), 2u);
  const auto metaAsExplicit = std::tuple(tag::kFileMetaInformationGroupLength, "\x04", 0u);
  // clang-format off
  const DecodeCase cases[] = {
      {"implicit record", implicitLE, {0x08, 0x00, 0x60, 0x00, 2, 0, 0, 0},
       {std::tuple(tag::kModality, "CS", 2u), implicitLE},
       {modalityWithoutVR, implicitLE}, {modalityWithoutVR, implicitLE}},
      {"explicit VR of zero bytes", explicitLE, {0x08, 0x00, 0x60, 0x00, 0, 0, 2, 0},
       {std::nullopt, explicitLE}, {modalityWithoutVR, explicitLE}, {modalityWithoutVR, explicitLE}},
      {"meta group written implicitly", explicitMeta, {0x02, 0x00, 0x00, 0x00, 4, 0, 0, 0},
       {metaAsExplicit, explicitMeta},
       {std::tuple(tag::kFileMetaInformationGroupLength, "", 4u), implicitLE},
       {metaAsExplicit, explicitMeta}},
  };
  // clang-format on
  for (const DecodeCase& c : cases) {
    for (const auto& [rulesName, rules, expected] :
         {std::tuple("network", kNetworkRules, c.network), std::tuple("file", kFileRules, c.file),
          std::tuple("BufData", kBufDataRules, c.bufData)}) {
      SCOPED_TRACE(std::string(rulesName) + ": " + c.name);
      ElementReaderState state = c.before;
      const std::optional<ElementHeader> header = DecodeElementHeader(c.bytes, rules, state);
      ASSERT_EQ(header.has_value(), expected.header.has_value());
      if (header) {
        const auto& [expectedTag, vr, length] = *expected.header;
        EXPECT_TRUE(header->Is(expectedTag));
        EXPECT_EQ(header->VRText(), vr);
        EXPECT_EQ(header->length, length);
        EXPECT_EQ(header->headerSize, 8u);
      }
      EXPECT_EQ(state.explicitVR, expected.after.explicitVR);
      EXPECT_EQ(state.inMetaGroup, expected.after.inMetaGroup);
    }
  }
}

}  // namespace
}  // namespace norvane
