#include "net/buffer.hpp"

#include <gtest/gtest.h>

#include <numeric>
#include <regex>
#include <string>
#include <thread>

#include "log/log.hpp"
#include "support/peers.hpp"
#include "wire.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Hex;

Bytes Sent(Buffer& buffer, testing::WirePair& pair) {
  EXPECT_TRUE(buffer.Flush());
  return pair.Drain(std::chrono::milliseconds(50));
}

TEST(BufferByteOrder, WritesNumbersInTheOutgoingOrder) {
  testing::WirePair pair;
  Buffer buffer;
  buffer.socket().AdoptConnection(pair.TakeOurs());
  buffer.SetOutByteOrder(Buffer::kBigEndian);
  buffer.WriteUInt16(0x1234);
  buffer.WriteUInt32(0x12345678);
  buffer.SetOutByteOrder(Buffer::kLittleEndian);
  buffer.WriteUInt16(0x1234);
  buffer.WriteUInt32(0x12345678);
  const Bytes expected = {0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12};
  const Bytes wire = Sent(buffer, pair);
  EXPECT_EQ(wire, expected) << "on the wire: " << Hex(wire);
}

TEST(BufferByteOrder, ReadsNumbersInTheIncomingOrder) {
  Buffer buffer;
  buffer.AppendIncoming({0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12});
  uint16_t v16 = 0;
  uint32_t v32 = 0;
  buffer.SetInByteOrder(Buffer::kBigEndian);
  ASSERT_TRUE(buffer.ReadUInt16(v16));
  EXPECT_EQ(v16, 0x1234);
  ASSERT_TRUE(buffer.ReadUInt32(v32));
  EXPECT_EQ(v32, 0x12345678u);
  buffer.SetInByteOrder(Buffer::kLittleEndian);
  ASSERT_TRUE(buffer.ReadUInt16(v16));
  EXPECT_EQ(v16, 0x1234);
  ASSERT_TRUE(buffer.ReadUInt32(v32));
  EXPECT_EQ(v32, 0x12345678u);
  EXPECT_EQ(buffer.Available(), 0u);
}

TEST(BufferByteOrder, StartsLittleEndianBothWays) {
  Buffer buffer;
  EXPECT_EQ(buffer.InByteOrder(), Buffer::kLittleEndian);
  EXPECT_EQ(buffer.OutByteOrder(), Buffer::kLittleEndian);
}

class BufferTraffic : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG(dir_ / "traffic.log", 3); }
  void TearDown() override { SetLOG("", 0); }
  // Lengths of the dumped blocks in order, for one direction ("<<" or ">>").
  std::vector<int> DumpedLengths(const std::string& arrow) const {
    const std::string log = testing::ReadFileText(dir_ / "traffic.log");
    std::vector<int> lengths;
    const std::regex head("(?:^|\\n) *(\\d+) " + arrow + " ");
    for (std::sregex_iterator it(log.begin(), log.end(), head), end; it != end; ++it) {
      lengths.push_back(std::stoi((*it)[1]));
    }
    return lengths;
  }
  testing::TempDir dir_;
};

TEST_F(BufferTraffic, OutgoingIsSentInBlocksOf32600Bytes) {
  testing::WirePair pair;
  Buffer buffer;
  buffer.socket().AdoptConnection(pair.TakeOurs());
  Bytes data(70000);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<uint8_t>(i * 7);
  buffer.WriteBytes(data.data(), data.size());
  EXPECT_EQ(buffer.Queued(), 70000u);
  Bytes received;
  std::thread reader([&] { received = testing::ReadExactly(pair.peer(), data.size()); });
  EXPECT_TRUE(buffer.Flush());
  reader.join();
  EXPECT_EQ(buffer.Queued(), 0u);
  EXPECT_EQ(received, data);
  EXPECT_EQ(DumpedLengths(">>"), (std::vector<int>{32600, 32600, 4800}));
}

TEST_F(BufferTraffic, ReceivesWhatHasArrivedInOneCallUpToTheWindow) {
  testing::WirePair pair;
  Buffer buffer;
  buffer.socket().AdoptConnection(pair.TakeOurs());
  Bytes small(3000, 0x5A);
  ASSERT_TRUE(pair.Send(small));
  Bytes got(3000);
  ASSERT_TRUE(buffer.ReadBytes(got.data(), got.size()));
  EXPECT_EQ(got, small);
  EXPECT_EQ(DumpedLengths("<<"), (std::vector<int>{3000}));

  // More than the window: taken in pieces of at most the window into one destination.
  Bytes large(3 * Buffer::kReceiveWindow + 123);
  for (size_t i = 0; i < large.size(); ++i)
    large[i] = static_cast<uint8_t>(i * 13);
  std::thread sender([&] { EXPECT_TRUE(pair.Send(large)); });
  Bytes read(large.size());
  ASSERT_TRUE(buffer.ReadBytes(read.data(), read.size()));
  sender.join();
  EXPECT_EQ(read, large);
  const std::vector<int> lengths = DumpedLengths("<<");
  for (const int length : lengths)
    EXPECT_LE(length, static_cast<int>(Buffer::kReceiveWindow));
  EXPECT_EQ(std::accumulate(lengths.begin(), lengths.end(), 0),
            static_cast<int>(small.size() + large.size()));
}

TEST(BufferQueues, FailedFlushKeepsTheBytesQueued) {
  Buffer buffer;
  buffer.WriteBytes("abc", 3);
  EXPECT_FALSE(buffer.Flush());
  EXPECT_EQ(buffer.Queued(), 3u);
  const Bytes kept = buffer.TakeOutgoing();
  EXPECT_EQ(kept, (Bytes{'a', 'b', 'c'}));
}

TEST(BufferQueues, MovesBytesFromTheFrontOfOutgoingAcrossBlocks) {
  Buffer message;
  Bytes data(40000);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<uint8_t>(i % 251);
  message.WriteBytes(data.data(), data.size());
  Buffer target;
  EXPECT_EQ(message.MoveOutgoingTo(target, 32000), 32000u);
  EXPECT_EQ(message.MoveOutgoingTo(target, 4000), 4000u);
  EXPECT_EQ(message.Queued(), 4000u);
  EXPECT_EQ(target.Queued(), 36000u);
  EXPECT_EQ(message.MoveOutgoingTo(target, 10000), 4000u);
  EXPECT_EQ(target.TakeOutgoing(), data);
  EXPECT_EQ(message.Queued(), 0u);
}

TEST(BufferQueues, ReadsAcrossIncomingBlocksAndSkips) {
  Buffer buffer;
  buffer.AppendIncoming({1, 2, 3});
  buffer.AppendIncoming({4, 5});
  buffer.AppendIncoming({6, 7, 8, 9});
  EXPECT_EQ(buffer.Available(), 9u);
  uint8_t two[2];
  ASSERT_TRUE(buffer.ReadBytes(two, 2));
  ASSERT_TRUE(buffer.Skip(4));
  uint8_t rest[3];
  ASSERT_TRUE(buffer.ReadBytes(rest, 3));
  EXPECT_EQ(rest[0], 7);
  EXPECT_EQ(rest[2], 9);
  uint8_t more;
  EXPECT_FALSE(buffer.ReadByte(more)) << "an unconnected buffer has nothing more to receive";
}

TEST(BufferQueues, ReadFailsWhenThePeerClosesFirst) {
  testing::WirePair pair;
  Buffer buffer;
  buffer.socket().AdoptConnection(pair.TakeOurs());
  ASSERT_TRUE(pair.Send({1, 2, 3}));
  pair.ClosePeer();
  uint8_t four[4];
  EXPECT_FALSE(buffer.ReadBytes(four, 4));
  EXPECT_FALSE(buffer.socket().Connected());
}

TEST(BufferQueues, SkipOfAHugeCountDoesNotWaitForMemory) {
  testing::WirePair pair;
  Buffer buffer;
  buffer.socket().AdoptConnection(pair.TakeOurs());
  ASSERT_TRUE(pair.Send(Bytes(5000, 1)));
  pair.ClosePeer();
  EXPECT_FALSE(buffer.Skip(0xFFFFFFF0u));
}

}  // namespace
}  // namespace norvane
