#include "datadec/buf_data.hpp"

#include <gtest/gtest.h>

#include "test_bytes.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Hex;
using testing::Record;
using testing::Text;

Bytes Written(const BufData& stream) {
  return Bytes(stream.Bytes().begin(), stream.Bytes().end());
}

TEST(BufData, CommandGroupAndItemsAreImplicitInExplicitStream) {
  BufData stream(ByteOrder::kLittleEndian);
  ASSERT_TRUE(stream.WriteElement(Record(0x0000, 0x0100, "US", {0x01, 0x00}), true));
  ASSERT_TRUE(stream.WriteElement(Record(0xFFFE, 0xE000, "DL", {}), true));
  ASSERT_TRUE(stream.WriteElement(Record(0x0008, 0x0016, "UI", Text("1.2\0")), true));
  ASSERT_TRUE(stream.WriteElement(Record(0x0042, 0x0011, "OB", {7, 7}), true));
  const Bytes expected = Concat({{0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00},
                                 {0xFE, 0xFF, 0x00, 0xE0, 0x00, 0x00, 0x00, 0x00},
                                 {0x08, 0x00, 0x16, 0x00, 'U', 'I', 0x04, 0x00},
                                 Text("1.2\0"),
                                 {0x42, 0x00, 0x11, 0x00, 'O', 'B', 0, 0, 2, 0, 0, 0, 7, 7}});
  EXPECT_EQ(Written(stream), expected) << Hex(Written(stream));

  ASSERT_TRUE(stream.SetPosition(0));
  const auto command = stream.ReadElement(true);
  ASSERT_TRUE(command.has_value());
  EXPECT_FALSE(command->HasVR());
  EXPECT_EQ(command->length, 2u);
  const auto item = stream.ReadElement(true);
  ASSERT_TRUE(item.has_value());
  EXPECT_TRUE(item->Is(0xFFFE, 0xE000));
  const auto uid = stream.ReadElement(true);
  ASSERT_TRUE(uid.has_value());
  EXPECT_EQ(uid->VRText(), "UI");
  EXPECT_EQ(uid->value, Text("1.2\0"));
  const auto ob = stream.ReadElement(true);
  ASSERT_TRUE(ob.has_value());
  EXPECT_EQ(ob->length, 2u);
  EXPECT_EQ(stream.Remaining(), 0u);
  EXPECT_FALSE(stream.ReadElement(true).has_value());
}

TEST(BufData, MetaGroupFollowsTheStreamsOwnRules) {
  BufData stream(ByteOrder::kBigEndian);
  ASSERT_TRUE(stream.WriteElement(Record(0x0002, 0x0010, "UI", Text("12")), true));
  EXPECT_EQ(Written(stream), (Bytes{0x00, 0x02, 0x00, 0x10, 'U', 'I', 0x00, 0x02, '1', '2'}));
}

TEST(BufData, BigEndianNumbersAndImplicitForm) {
  BufData stream(ByteOrder::kBigEndian);
  stream.WriteUS(0x1234);
  stream.WriteUL(0x01020304);
  ASSERT_TRUE(stream.WriteElement(Record(0x0028, 0x0010, "US", {0x02, 0x00}), false));
  EXPECT_EQ(Written(stream), (Bytes{0x12, 0x34, 0x01, 0x02, 0x03, 0x04, 0x00, 0x28, 0x00, 0x10,
                                    0x00, 0x00, 0x00, 0x02, 0x02, 0x00}));
  ASSERT_TRUE(stream.SetPosition(0));
  EXPECT_EQ(stream.ReadUS(), 0x1234);
  EXPECT_EQ(stream.ReadUL(), 0x01020304u);
  const auto rows = stream.ReadElement(false);
  ASSERT_TRUE(rows.has_value());
  EXPECT_EQ(rows->value, (Bytes{0x02, 0x00})) << "values are never swapped";
}

TEST(BufData, ReadingPastTheEndFailsAndKeepsPosition) {
  const Bytes truncatedValue = {0x10, 0x00, 0x10, 0x00, 'P', 'N', 0x08, 0x00, 'D', 'O', 'E'};
  BufData stream(ByteOrder::kLittleEndian, truncatedValue);
  EXPECT_FALSE(stream.ReadElement(true).has_value());
  EXPECT_EQ(stream.Position(), 0u);

  const Bytes hugeLength = {0x10, 0x00, 0x10, 0x00, 0xF0, 0xFF, 0xFF, 0xFF, 'X'};
  BufData huge(ByteOrder::kLittleEndian, hugeLength);
  EXPECT_FALSE(huge.ReadElement(false).has_value());

  for (size_t cut = 0; cut < 12; ++cut) {
    const Bytes full = {0x42, 0x00, 0x11, 0x00, 'O', 'B', 0, 0, 0, 0, 0, 0};
    BufData partial(ByteOrder::kLittleEndian, std::span<const uint8_t>(full.data(), cut));
    EXPECT_FALSE(partial.ReadElement(true).has_value()) << "header cut after " << cut;
    EXPECT_EQ(partial.Position(), 0u);
  }
  uint8_t two[2];
  BufData one(ByteOrder::kLittleEndian, Bytes{1});
  EXPECT_FALSE(one.ReadBytes(two));
  EXPECT_FALSE(one.ReadUS().has_value());
  EXPECT_FALSE(one.SetPosition(2));
  EXPECT_TRUE(one.SetPosition(1));
}

TEST(BufData, WritingAtPositionOverwritesThenGrows) {
  BufData stream(ByteOrder::kLittleEndian, Bytes{1, 2, 3, 4});
  ASSERT_TRUE(stream.SetPosition(2));
  stream.WriteBytes(Bytes{9, 9, 9});
  EXPECT_EQ(Written(stream), (Bytes{1, 2, 9, 9, 9}));
  EXPECT_EQ(stream.Position(), 5u);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0u);
  EXPECT_EQ(stream.Position(), 0u);
}

TEST(BufData, LengthTooLongForShortFormIsRefused) {
  BufData stream(ByteOrder::kLittleEndian);
  EXPECT_FALSE(stream.WriteElement(Record(0x0008, 0x0080, "LO", Bytes(70000, 'A')), true));
  EXPECT_EQ(stream.Size(), 0u);
  EXPECT_TRUE(stream.WriteElement(Record(0x0008, 0x0080, "LO", Bytes(70000, 'A')), false));
}

}  // namespace
}  // namespace norvane
