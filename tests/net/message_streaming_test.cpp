#include <sys/socket.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "log/log.hpp"
#include "message_fixture.hpp"
#include "net/pdu_service.hpp"
#include "net/uids.hpp"

// Messages whose fragments cut their elements anywhere: a received message must decode to
// what the same bytes give in one piece, and fail the same way.

namespace norvane {
namespace {

using testing::AcceptedAssociation;
using testing::Bytes;
using testing::Hex;
using testing::MessageBuilder;
using testing::ProposedContextItem;
using testing::Text;

Bytes Pattern(size_t n) {
  Bytes bytes(n);
  for (size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<uint8_t>((i * 31 + 7) % 253);
  return bytes;
}

// Implicit VR (context 1): small elements around a value of more than 1 MiB.
Bytes ImplicitWithLargeValue() {
  return MessageBuilder()
      .Implicit(0x0008, 0x0060, Text("CT"))
      .Implicit(0x0010, 0x0010, Text("DOE^JOHN"))
      .Implicit(0x7FE0, 0x0010, Pattern(1200001))
      .Implicit(0x0020, 0x0013, Text("1 "))
      .bytes();
}

// Explicit VR (context 5): both header sizes, a sequence held flat, values of 64 KiB and
// more, and a last element shorter than the longest header.
Bytes ExplicitMixed() {
  return MessageBuilder()
      .ExplicitShort(0x0008, 0x0060, "CS", Text("CT"))
      .ExplicitLong(0x0009, 0x1010, "UN", Pattern(70001))
      .Tag(0x0008, 0x1140)
      .Append(Text("SQ"))
      .U16(0)
      .U32(0xFFFFFFFF)
      .Tag(0xFFFE, 0xE000)
      .U32(0xFFFFFFFF)
      .ExplicitShort(0x0008, 0x1155, "UI", Text(std::string("1.2.3.4") + '\0'))
      .Tag(0xFFFE, 0xE00D)
      .U32(0)
      .Tag(0xFFFE, 0xE0DD)
      .U32(0)
      .ExplicitLong(0x7FE0, 0x0010, "OB", Pattern(65536))
      .ExplicitShort(0x0020, 0x0013, "IS", Text("1 "))
      .bytes();
}

enum class Outcome { kWhole, kUndecodable, kCutOff };

struct StreamCase {
  std::string name;
  uint8_t contextID;
  Bytes message;
  std::vector<size_t> fragments;  // PDV fragment sizes, in turn
  Outcome outcome;
  size_t records;  // in the list afterwards
};

void PrintTo(const StreamCase& c, std::ostream* out) {
  *out << c.name;
}

std::vector<StreamCase> StreamCases() {
  std::vector<StreamCase> cases = {
      {"LargeValueInOddPdvsAndPdus",
       1,
       ImplicitWithLargeValue(),
       {5, 1, 16371, 2, 9999, 11, 12, 13, 4097},
       Outcome::kWhole,
       4},
      {"LargeValueInFullPdus", 1, ImplicitWithLargeValue(), {16378}, Outcome::kWhole, 4},
      {"CutOffInsideTheLargeValue", 1, ImplicitWithLargeValue(), {4093, 7}, Outcome::kCutOff, 0},
      {"DeclaredLengthPassesTheLastFragment",
       1,
       MessageBuilder()
           .Implicit(0x0008, 0x0060, Text("CT"))
           .Tag(0x7FE0, 0x0010)
           .U32(2000000)
           .Append(Pattern(300000))
           .bytes(),
       {3001, 1},
       Outcome::kUndecodable,
       1},
      {"MalformedHeaderBeforeALargeValue",
       5,
       MessageBuilder()
           .ExplicitShort(0x0008, 0x0060, "CS", Text("CT"))
           .Tag(0x0010, 0x0010)
           .Append({0x00, 'N', 0x02, 0x00, 'A', 'B'})
           .ExplicitLong(0x7FE0, 0x0010, "OB", Pattern(200000))
           .bytes(),
       {16378},
       Outcome::kUndecodable,
       1},
      {"HeaderCutAtTheEndAcrossPdvs",
       1,
       MessageBuilder().Implicit(0x0008, 0x0060, Text("CT")).Tag(0x0010, 0x0010).U16(4).bytes(),
       {3},
       Outcome::kUndecodable,
       1},
  };
  // Every header split at every one of its bytes somewhere in the message.
  for (const size_t size : {1, 3, 7, 11, 12, 13}) {
    cases.push_back({"HeadersSplitEvery" + std::to_string(size) + "Bytes",
                     5,
                     ExplicitMixed(),
                     {size},
                     Outcome::kWhole,
                     9});
  }
  return cases;
}

class StreamedMessage : public ::testing::TestWithParam<StreamCase> {
 protected:
  void SetUp() override { SetLOG(dir_ / "stream.log", 0); }
  void TearDown() override { SetLOG("", 0); }
  std::vector<std::string> Log() const { return testing::LogTexts(dir_ / "stream.log"); }
  testing::TempDir dir_;
};

TEST_P(StreamedMessage, DecodesAsTheWholeMessageWould) {
  const StreamCase& c = GetParam();
  AcceptedAssociation association(
      {ProposedContextItem(1, testing::kCTImageStorageUid, {uid::kImplicitVRLittleEndian}),
       ProposedContextItem(5, "1.2.840.10008.5.1.4.1.1.4", {uid::kExplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  PDU_Service& service = association.service();
  service.SetTrace(true);
  std::vector<size_t> progress;
  service.SetReceiveProgress([&] { progress.push_back(service.pDataTF().MessageBytes()); });

  Bytes wire = testing::FragmentedMessage(c.message, c.fragments, c.contextID);
  if (c.outcome == Outcome::kCutOff) wire.resize(wire.size() * 3 / 5);
  std::thread peer([&] {
    association.pair().Send(wire);
    if (c.outcome == Outcome::kCutOff) ::shutdown(association.peer(), SHUT_WR);
  });
  TagList list;
  const bool read = service.ReadMessage(list);
  peer.join();
  const std::vector<std::string> streamedLog = Log();
  EXPECT_EQ(list.size(), c.records);
  EXPECT_EQ(service.pDataTF().MessageBuffer().Available(), 0u) << "nothing is gathered whole";

  if (c.outcome == Outcome::kCutOff) {
    EXPECT_FALSE(read);
    EXPECT_EQ(service.LastFailure().failure, ServiceFailure::kNoResponse);
    EXPECT_EQ(association.pair().Drain(), Bytes{});
    return;
  }
  if (c.outcome == Outcome::kUndecodable) {
    EXPECT_FALSE(read);
    EXPECT_EQ(service.LastFailure().failure, ServiceFailure::kProtocol);
    const Bytes sent = association.pair().Drain();
    EXPECT_EQ(sent, (Bytes{0x07, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x02, 0x06}))
        << Hex(sent);
  } else {
    ASSERT_TRUE(read) << service.LastFailure().reason;
    // The receive progress: a call after each further kProgressBytes, one when complete.
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), c.message.size());
    for (size_t i = 1; i + 1 < progress.size(); ++i)
      EXPECT_GE(progress[i], progress[i - 1] + PDU_Service::kProgressBytes) << "call " << i;
  }

  // The same bytes decoded in one piece: the same records and the same trace.
  Buffer whole;
  whole.AppendIncoming(c.message);
  TagList reference;
  EXPECT_EQ(service.ParseRawVRIntoDCM(whole, reference, c.contextID), c.outcome == Outcome::kWhole);
  ASSERT_EQ(list.size(), reference.size());
  for (size_t i = 0; i < list.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(list[i].GetTag(), reference[i].GetTag());
    EXPECT_EQ(list[i].VRText(), reference[i].VRText());
    EXPECT_EQ(list[i].length, reference[i].length);
    EXPECT_TRUE(list[i].value == reference[i].value);
    EXPECT_EQ(list[i].value.size(), list[i].HasValue() ? list[i].length : 0u);
  }
  std::vector<std::string> wholeLog = Log();
  wholeLog.erase(wholeLog.begin(), wholeLog.begin() + static_cast<ptrdiff_t>(streamedLog.size()));
  if (c.outcome == Outcome::kUndecodable) wholeLog.push_back("ERROR, ParseRawVRIntoDCM");
  ASSERT_GE(streamedLog.size(), wholeLog.size());
  EXPECT_EQ(std::vector<std::string>(streamedLog.begin(),
                                     streamedLog.begin() + static_cast<ptrdiff_t>(wholeLog.size())),
            wholeLog);
}

INSTANTIATE_TEST_SUITE_P(ReadMessage, StreamedMessage, ::testing::ValuesIn(StreamCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace norvane
