// The one parse of a received response command set, and reading it off an association:
// which elements are there, which are not, and a response of the wrong kind.

#include "net/dimse_response.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "message_fixture.hpp"
#include "net/uids.hpp"

namespace norvane {

void PrintTo(const DimseResponse& r, std::ostream* out) {
  const auto number = [](const std::optional<uint16_t>& n) {
    return n ? std::to_string(*n) : std::string("-");
  };
  *out << "field " << StatusText(r.commandField) << ", to " << r.messageIDBeingRespondedTo
       << ", status " << StatusText(r.status) << (r.hasStatus ? "" : " (absent)") << ", data set "
       << r.dataSetFollows << ", sub-operations " << number(r.remaining) << "/"
       << number(r.completed) << "/" << number(r.failed) << "/" << number(r.warning) << ", class "
       << r.affectedSOPClassUID.value_or("-") << ", instance "
       << r.affectedSOPInstanceUID.value_or("-");
}

namespace {

using testing::Bytes;

TagRecord Raw(Tag tag, Bytes value) {
  return GenerateTag(tag.group, tag.element, "US", value);
}

// A C-MOVE-RSP with every element a response may carry.
TagList FullMoveResponse() {
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
  return command;
}

TagList Without(TagList command, Tag tag) {
  std::erase_if(command, [tag](const TagRecord& r) { return r.Is(tag.group, tag.element); });
  return command;
}

TagList With(TagList command, TagRecord record) {
  command.push_back(std::move(record));
  return command;
}

TEST(ParseDimseResponse, TakesEachElementOnlyWhenItIsThereWhole) {
  DimseResponse full;
  full.commandField = kCMoveRSP;
  full.messageIDBeingRespondedTo = 7;
  full.status = kStatusPending;
  full.hasStatus = true;
  full.remaining = 3;
  full.completed = 1;
  full.failed = 0;
  full.warning = 2;
  full.affectedSOPClassUID = std::string(uid::kStudyRootQueryRetrieveMove);  // without NUL pad
  full.affectedSOPInstanceUID = "1.2.3";
  const auto changed = [&full](auto change) {
    DimseResponse r = full;
    change(r);
    return r;
  };
  const TagList base = FullMoveResponse();
  const struct {
    const char* what;
    TagList command;
    DimseResponse expected;
  } cases[] = {
      {"every element", base, full},
      {"no Status reads as success", Without(base, tag::kStatus), changed([](DimseResponse& r) {
         r.status = kStatusSuccess;
         r.hasStatus = false;
       })},
      {"a one-byte Status is no Status",
       With(Without(base, tag::kStatus), Raw(tag::kStatus, {0x00})), changed([](DimseResponse& r) {
         r.status = kStatusSuccess;
         r.hasStatus = false;
       })},
      {"no Command Field", Without(base, tag::kCommandField),
       changed([](DimseResponse& r) { r.commandField = 0; })},
      {"no Data Set Type: a data set follows", Without(base, tag::kCommandDataSetType),
       changed([](DimseResponse& r) { r.dataSetFollows = true; })},
      {"Data Set Type 0x0102",
       With(Without(base, tag::kCommandDataSetType),
            CommandUS(tag::kCommandDataSetType, kDataSetPresent)),
       changed([](DimseResponse& r) { r.dataSetFollows = true; })},
      {"no sub-operation numbers",
       Without(Without(Without(Without(base, tag::kNumberOfRemainingSuboperations),
                               tag::kNumberOfCompletedSuboperations),
                       tag::kNumberOfFailedSuboperations),
               tag::kNumberOfWarningSuboperations),
       changed([](DimseResponse& r) {
         r.remaining.reset();
         r.completed.reset();
         r.failed.reset();
         r.warning.reset();
       })},
      {"no UIDs", Without(Without(base, tag::kAffectedSOPClassUID), tag::kAffectedSOPInstanceUID),
       changed([](DimseResponse& r) {
         r.affectedSOPClassUID.reset();
         r.affectedSOPInstanceUID.reset();
       })},
      {"nothing at all", TagList{}, changed([](DimseResponse& r) {
         r = DimseResponse{};
         r.dataSetFollows = true;
       })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ParseDimseResponse(c.command), c.expected);
  }
}

TEST(ReadDimseResponse, NamesWhatCameInsteadAndWhenNothingCame) {
  testing::AcceptedAssociation association(
      {testing::ProposedContextItem(1, uid::kVerification, {uid::kImplicitVRLittleEndian})});
  ASSERT_TRUE(association.accepted());
  const auto send = [&](uint16_t status) {
    ASSERT_TRUE(association.pair().Send(
        testing::PDataPdu({testing::Pdv(1, 0x03, testing::EchoResponseCommand(3, status))})));
  };
  DimseResponse response;
  send(0x0110);
  ServiceResult read = ReadDimseResponse(association.service(), kCEchoRSP, response);
  EXPECT_TRUE(read.Ok()) << "judging the status is the service's part";
  EXPECT_EQ(read.status, 0x0110);
  EXPECT_EQ(FinalStatusResult(response).reason, "C-ECHO-RSP status 0x0110");
  EXPECT_EQ(FinalStatusResult(response).failure, ServiceFailure::kStatus);

  send(0x0000);
  read = ReadDimseResponse(association.service(), kCStoreRSP, response);
  EXPECT_EQ(read.failure, ServiceFailure::kUnexpectedResponse);
  EXPECT_EQ(read.status, std::nullopt);
  EXPECT_EQ(read.reason, "the peer answered with a C-ECHO-RSP, not a C-STORE-RSP");

  association.pair().ClosePeer();
  read = ReadDimseResponse(association.service(), kCStoreRSP, response);
  EXPECT_EQ(read.failure, ServiceFailure::kNoResponse);
  EXPECT_EQ(read.reason, "the association ended without a C-STORE-RSP");
}

}  // namespace
}  // namespace norvane
