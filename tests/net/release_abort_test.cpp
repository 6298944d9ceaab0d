#include <gtest/gtest.h>

#include "net/abort.hpp"
#include "net/release.hpp"
#include "wire.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Hex;

template <class Unit>
Bytes Written(Unit& unit) {
  testing::WirePair pair;
  Buffer buffer;
  buffer.socket().AdoptConnection(pair.TakeOurs());
  buffer.SetOutByteOrder(Buffer::kBigEndian);
  EXPECT_TRUE(unit.Write(buffer));
  return pair.Drain(std::chrono::milliseconds(50));
}

TEST(ReleaseAndAbortBytes, ReleaseRequestAndResponseAreTenBytes) {
  AReleaseRQ rq;
  AReleaseRP rp;
  EXPECT_EQ(rq.Size(), 10u);
  const Bytes rqWire = Written(rq);
  const Bytes rpWire = Written(rp);
  EXPECT_EQ(rqWire, (Bytes{0x05, 0, 0, 0, 0, 4, 0, 0, 0, 0})) << Hex(rqWire);
  EXPECT_EQ(rpWire, (Bytes{0x06, 0, 0, 0, 0, 4, 0, 0, 0, 0})) << Hex(rpWire);
}

TEST(ReleaseAndAbortBytes, AbortCarriesSourceAndReason) {
  AAbortRQ abort;
  EXPECT_EQ(abort.Size(), 10u);
  const Bytes plain = Written(abort);
  EXPECT_EQ(plain, (Bytes{0x07, 0, 0, 0, 0, 4, 0, 0, 0x02, 0x00})) << Hex(plain);
  abort.SetSource(0x02);
  abort.SetReason(0x06);
  const Bytes invalid = Written(abort);
  EXPECT_EQ(invalid, (Bytes{0x07, 0, 0, 0, 0, 4, 0, 0, 0x02, 0x06})) << Hex(invalid);
}

TEST(ReleaseAndAbortBytes, ReleaseResponseIsReadWithoutChecks) {
  testing::WirePair pair;
  Buffer buffer;
  buffer.socket().AdoptConnection(pair.TakeOurs());
  buffer.SetInByteOrder(Buffer::kBigEndian);
  ASSERT_TRUE(pair.Send({0x06, 0x00, 0x00, 0x00, 0x00, 0x04, 1, 2, 3, 4, 0xAA}));
  AReleaseRP rp;
  ASSERT_TRUE(rp.Read(buffer));
  EXPECT_EQ(rp.PduType(), 0x06);
  EXPECT_EQ(rp.PduLength(), 4u);
  EXPECT_EQ(buffer.Available(), 1u);
}

}  // namespace
}  // namespace norvane
