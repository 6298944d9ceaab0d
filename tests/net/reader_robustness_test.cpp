#include <gtest/gtest.h>

#include <random>

#include "net/associate_rq_ac.hpp"
#include "net/pdata_tf.hpp"
#include "net/uids.hpp"
#include "wire.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::WireBuilder;

Bytes ValidRequest() {
  const Bytes items =
      WireBuilder()
          .UidItem(0x10, "1.2.840.10008.3.1.1.1")
          .Append(testing::ProposedContextItem(1, "1.2.840.10008.5.1.4.1.1.2",
                                               {uid::kJPEGLossless, uid::kImplicitVRLittleEndian}))
          .Append(
              testing::ProposedContextItem(3, uid::kVerification, {uid::kImplicitVRLittleEndian}))
          .Append(testing::UserInformationItem(16384, "1.2.3.4", "NAME"))
          .bytes();
  return testing::AssociatePdu(0x01, "CALLED", "CALLING", items);
}

// Flips a few bytes and sometimes cuts the end off.
Bytes Mutated(const Bytes& original, std::mt19937& random) {
  Bytes bytes = original;
  std::uniform_int_distribution<size_t> position(0, bytes.size() - 1);
  std::uniform_int_distribution<int> value(0, 255);
  const int flips = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < flips; ++i)
    bytes[position(random)] = static_cast<uint8_t>(value(random));
  if (random() % 4 == 0) bytes.resize(position(random));
  return bytes;
}

// A successful read consumes exactly the PDU: its header and its PDU length.
template <class Pdu>
void ReadMutations(const Bytes& original, uint32_t seed) {
  std::mt19937 random(seed);
  int succeeded = 0;
  for (int round = 0; round < 3000; ++round) {
    const Bytes bytes = Mutated(original, random);
    Buffer buffer;
    buffer.SetInByteOrder(Buffer::kBigEndian);
    buffer.AppendIncoming(bytes);
    Pdu pdu;
    if (!pdu.Read(buffer)) continue;
    ++succeeded;
    ASSERT_EQ(bytes.size() - buffer.Available(), pdu.PduLength() + 6u) << Hex(bytes);
  }
  EXPECT_GT(succeeded, 0) << "some mutations only touch text and stay readable";
}

TEST(ReaderRobustness, MutatedAssociateRequestsReadExactlyOrFail) {
  ReadMutations<AAssociateRQ>(ValidRequest(), 1);
}

TEST(ReaderRobustness, MutatedAssociateAcceptsReadExactlyOrFail) {
  Bytes accept = ValidRequest();
  accept[0] = 0x02;
  ReadMutations<AAssociateAC>(accept, 2);
}

TEST(ReaderRobustness, MutatedPDataNeverYieldsMoreThanThePduHolds) {
  const Bytes pdu = WireBuilder()
                        .U8(0)
                        .U32(2 * 6 + 40 + 30)
                        .U32(42)
                        .U8(1)
                        .U8(0x03)
                        .Zeros(40)
                        .U32(32)
                        .U8(1)
                        .U8(0x00)
                        .Zeros(30)
                        .bytes();
  std::mt19937 random(3);
  for (int round = 0; round < 3000; ++round) {
    const Bytes bytes = Mutated(pdu, random);
    Buffer association;
    association.SetInByteOrder(Buffer::kBigEndian);
    association.AppendIncoming(bytes);
    PDataTF pdata;
    if (!pdata.ReadDynamic(association)) {
      EXPECT_EQ(pdata.PendingLength(), 0u);
      EXPECT_EQ(pdata.MessageBuffer().Available(), 0u);
      continue;
    }
    const uint32_t pduLength = testing::BigEndian32(bytes, 1);
    EXPECT_LE(pdata.MessageBuffer().Available(), pduLength) << Hex(bytes);
    EXPECT_LE(bytes.size() - association.Available(), pduLength + 5u) << Hex(bytes);
  }
}

}  // namespace
}  // namespace norvane
