// The one parse of a received response command set, and reading it off an association:
// which elements are there, which are not, and a response of the wrong kind.

#include "net/dimse_response.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "message_fixture.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

using testing::Bytes;

// A C-MOVE-RSP with every element a response may carry; `tag` then removed, or given the
// raw `value` instead.
TagList MoveResponse(Tag tag = {}, std::optional<Bytes> value = std::nullopt) {
  TagList command;
  command.push_back(GenerateUIDTag(tag::kAffectedSOPClassUID, uid::kStudyRootQueryRetrieveMove));
  command.push_back(CommandUS(tag::kCommandField, kCMoveRSP));
  command.push_back(CommandUS(tag::kMessageIDBeingRespondedTo, 7));
  command.push_back(CommandUS(tag::kCommandDataSetType, kNoDataSet));
  command.push_back(CommandUS(tag::kStatus, kStatusPending));
  command.push_back(GenerateUIDTag(tag::kAffectedSOPInstanceUID, "1.2.3"));
  command.push_back(CommandUS(tag::kNumberOfRemainingSuboperations, 3));
  command.push_back(CommandUS(tag::kNumberOfCompletedSuboperations, 1));
  command.push_back(CommandUS(tag::kNumberOfFailedSuboperations, 0));
  command.push_back(CommandUS(tag::kNumberOfWarningSuboperations, 2));
  std::erase_if(command, [tag](const TagRecord& r) { return r.Is(tag.group, tag.element); });
  if (value) command.push_back(GenerateTag(tag.group, tag.element, "US", *value));
  return command;
}

// The parse on one line: field, ID responded to, status, data set, sub-operations, UIDs.
std::string Summary(const DimseResponse& r) {
  const auto n = [](std::optional<uint16_t> v) { return v ? std::to_string(*v) : "-"; };
  return StatusText(r.commandField) + " to " + std::to_string(r.messageIDBeingRespondedTo) +
         ", status " + StatusText(r.status) + (r.hasStatus ? "" : " absent") +
         (r.dataSetFollows ? ", data set, " : ", no data set, ") + n(r.remaining) + "/" +
         n(r.completed) + "/" + n(r.failed) + "/" + n(r.warning) + ", " +
         r.affectedSOPClassUID.value_or("-") + ", " + r.affectedSOPInstanceUID.value_or("-");
}

TEST(ParseDimseResponse, TakesEachElementOnlyWhenItIsThereWhole) {
  const std::string tail = "3/1/0/2, 1.2.840.10008.5.1.4.1.2.2.2, 1.2.3";
  const struct {
    const char* what;
    TagList command;
    std::string expected;
  } cases[] = {
      {"every element (UIDs without their NUL pad)", MoveResponse(),
       "0x8021 to 7, status 0xFF00, no data set, " + tail},
      {"no Status reads as success", MoveResponse(tag::kStatus),
       "0x8021 to 7, status 0x0000 absent, no data set, " + tail},
      {"a one-byte Status is none", MoveResponse(tag::kStatus, Bytes{0x01}),
       "0x8021 to 7, status 0x0000 absent, no data set, " + tail},
      {"no Command Field", MoveResponse(tag::kCommandField),
       "0x0000 to 7, status 0xFF00, no data set, " + tail},
      {"no Data Set Type: a data set follows", MoveResponse(tag::kCommandDataSetType),
       "0x8021 to 7, status 0xFF00, data set, " + tail},
      {"Data Set Type 0x0102", MoveResponse(tag::kCommandDataSetType, testing::US(0x0102)),
       "0x8021 to 7, status 0xFF00, data set, " + tail},
      {"no Remaining", MoveResponse(tag::kNumberOfRemainingSuboperations),
       "0x8021 to 7, status 0xFF00, no data set, -/1/0/2, 1.2.840.10008.5.1.4.1.2.2.2, 1.2.3"},
      {"no instance UID", MoveResponse(tag::kAffectedSOPInstanceUID),
       "0x8021 to 7, status 0xFF00, no data set, 3/1/0/2, 1.2.840.10008.5.1.4.1.2.2.2, -"},
      {"nothing at all", TagList{}, "0x0000 to 0, status 0x0000 absent, data set, -/-/-/-, -, -"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Summary(ParseDimseResponse(c.command)), c.expected) << c.what;
  }
}

TEST(ReadDimseResponse, NamesWhatCameInsteadAndWhenNothingCame) {
  testing::AcceptedAssociation association(
      {testing::ProposedContextItem(1, uid::kVerification, {uid::kImplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  ASSERT_TRUE(association.pair().Send(
      testing::PDataPdu({testing::Pdv(1, 0x03, testing::EchoResponseCommand(3, 0x0110))})));
  DimseResponse response;
  ServiceResult read = ReadDimseResponse(association.service(), kNCreateRSP, response);
  EXPECT_EQ(read.failure, ServiceFailure::kUnexpectedResponse);
  EXPECT_EQ(read.status, std::nullopt);
  EXPECT_EQ(read.reason, "the peer answered with a C-ECHO-RSP, not an N-CREATE-RSP");
  EXPECT_EQ(response.status, 0x0110) << "what came is still there to see";

  association.pair().ClosePeer();
  read = ReadDimseResponse(association.service(), kCStoreRSP, response);
  EXPECT_EQ(read.failure, ServiceFailure::kNoResponse);
  EXPECT_EQ(read.reason, "the association ended without a C-STORE-RSP");
}

}  // namespace
}  // namespace norvane
