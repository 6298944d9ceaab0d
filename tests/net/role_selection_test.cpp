#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/acceptor_association.hpp"
#include "net/associate_rq_ac.hpp"
#include "net/role_selection.hpp"
#include "net/uids.hpp"
#include "role_item.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::RoleItem;
using testing::WireBuilder;

constexpr std::string_view kCT = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kMR = "1.2.840.10008.5.1.4.1.1.4";
constexpr std::string_view kStudyRootGet = "1.2.840.10008.5.1.4.1.2.2.3";

// A C-GET association request as getscu sends it: its role items between the class UID and
// the version name.
Bytes GetRequest(const std::vector<Bytes>& roles) {
  const Bytes items =
      WireBuilder()
          .UidItem(0x10, "1.2.840.10008.3.1.1.1")
          .Append(testing::ProposedContextItem(1, kStudyRootGet, {uid::kImplicitVRLittleEndian}))
          .Append(testing::ProposedContextItem(3, kCT, {uid::kImplicitVRLittleEndian}))
          .Append(testing::UserInformationItem(16384, "1.2.276.0.7230010.3.0.3.6.7",
                                               "OFFIS_DCMTK_367", roles))
          .bytes();
  return testing::AssociatePdu(0x01, "ARCHIVE         ", "GETSCU          ", items);
}

TEST(RoleSelectionBytes, RequestCarriesOneSubItemPerClassBeforeTheVersionName) {
  AAssociateRQ rq;
  rq.SetCalledApTitle("ARCHIVE");
  rq.SetCallingApTitle("GETSCU");
  rq.UserInfo().maximumLength.maximumLength = 16384;
  rq.UserInfo().SetImplementationClassUID("1.2.3");
  rq.UserInfo().SetImplementationVersionName("NAME");
  rq.UserInfo().roleSelections = {{std::string(kCT), false, true}, {"1.2.3", true, true}};
  testing::WirePair pair;
  Buffer buffer;
  buffer.socket().AdoptConnection(pair.TakeOurs());
  buffer.SetOutByteOrder(Buffer::kBigEndian);
  ASSERT_TRUE(rq.UserInfo().Write(buffer));
  const Bytes wire = pair.Drain(std::chrono::milliseconds(50));
  const Bytes expected = WireBuilder()
                             .U8(0x50)
                             .U8(0)
                             .U16(8 + 9 + 33 + 13 + 8)
                             .U8(0x51)
                             .U8(0)
                             .U16(4)
                             .U32(16384)
                             .UidItem(0x52, "1.2.3")
                             .Append(RoleItem(kCT, 0, 1))
                             .Append(RoleItem("1.2.3", 1, 1))
                             .UidItem(0x55, "NAME")
                             .bytes();
  EXPECT_EQ(wire, expected) << Hex(wire);
}

TEST(RoleSelectionReading, RolesAndTheNameAfterThemAreRead) {
  Buffer buffer;
  buffer.SetInByteOrder(Buffer::kBigEndian);
  const Bytes request = GetRequest({RoleItem(kCT, 0, 1), RoleItem(kMR, 1, 0)});
  buffer.AppendIncoming(request);
  AAssociateRQ rq;
  ASSERT_TRUE(rq.Read(buffer)) << Hex(request);
  const std::vector<RoleSelection>& roles = rq.UserInfo().roleSelections;
  ASSERT_EQ(roles.size(), 2u);
  EXPECT_EQ(roles[0].SOPClass(), kCT);
  EXPECT_FALSE(roles[0].scuRole);
  EXPECT_TRUE(roles[0].scpRole);
  EXPECT_EQ(roles[1].SOPClass(), kMR);
  EXPECT_TRUE(roles[1].scuRole);
  EXPECT_FALSE(roles[1].scpRole);
  EXPECT_EQ(rq.UserInfo().ImplementationVersionName().Text(), "OFFIS_DCMTK_367");
  EXPECT_EQ(rq.UserInfo().SkippedBytes(), 0);
}

TEST(RoleSelectionReading, LengthsThatDisagreeFailTheRead) {
  const struct {
    const char* name;
    Bytes item;
  } cases[] = {
      {"UID length past the item",
       WireBuilder().U8(0x54).U8(0).U16(8).U16(5).Text("1.2.3").U8(1).U8(1).bytes()},
      {"item too short for the role bytes",
       WireBuilder().U8(0x54).U8(0).U16(3).U16(0).U8(1).bytes()},
      {"UID over 64 characters", RoleItem(std::string(65, '1'), 0, 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Buffer buffer;
    buffer.SetInByteOrder(Buffer::kBigEndian);
    buffer.AppendIncoming(GetRequest({c.item}));
    AAssociateRQ rq;
    EXPECT_FALSE(rq.Read(buffer));
  }
}

TEST(RoleSelectionAnswer, TheScpRoleIsGrantedOnlyWhereThePolicySaysSo) {
  const struct {
    const char* name;
    bool grantsCT;
    Bytes expectedRoles;
  } cases[] = {
      {"storage only", false,
       WireBuilder().Append(RoleItem(kCT, 0, 0)).Append(RoleItem(kMR, 1, 0)).bytes()},
      {"retrieval", true,
       WireBuilder().Append(RoleItem(kCT, 0, 1)).Append(RoleItem(kMR, 1, 0)).bytes()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AcceptorAssociation service;
    // Declared after the service, so that the peer's end closes first and the service's
    // closing release does not wait for an answer.
    testing::WirePair pair;
    pair.Send(GetRequest({RoleItem(kCT, 0, 1), RoleItem(kMR, 1, 1)}));
    AcceptorPolicy policy;
    policy.servesAbstractSyntax = [](std::string_view) { return true; };
    policy.chooseTransferSyntax = [](std::string_view, const std::vector<UIDitem>& proposed) {
      return proposed.front().Text();
    };
    const bool grantsCT = c.grantsCT;
    if (grantsCT) policy.grantsRequesterScpRole = [](std::string_view sop) { return sop == kCT; };
    service.SetReceiveTimeout(std::chrono::seconds(5));
    ASSERT_TRUE(service.Accept(pair.TakeOurs(), policy));
    const Bytes answer = pair.Drain(std::chrono::milliseconds(50));
    const std::string wire(answer.begin(), answer.end());
    const Bytes& roles = c.expectedRoles;
    EXPECT_NE(wire.find(std::string(roles.begin(), roles.end())), std::string::npos) << Hex(answer);
    EXPECT_EQ(service.NegotiatedRoles(kCT).scpRole, grantsCT);
  }
}

TEST(RoleSelectionAnswer, WithoutAnAnswerTheRequesterIsScuOnly) {
  const RoleSelection roles = NegotiatedRoles({}, kCT);
  EXPECT_TRUE(roles.scuRole);
  EXPECT_FALSE(roles.scpRole);
}

}  // namespace
}  // namespace norvane
