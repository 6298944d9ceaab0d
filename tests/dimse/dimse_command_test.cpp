// Typed command sets: what the one encoder writes for each kind of command, what the one
// decoder takes and refuses, and reading a response off an association.

#include "dimse/dimse_command.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "dimse/dimse_exchange.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "net/message_fixture.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

// The elements of a command set in order: "0000 0002 0100 ...".
std::string ElementsOf(const TagList& elements) {
  std::string text;
  for (const TagRecord& record : elements) {
    char element[8];
    std::snprintf(element, sizeof element, "%s%04X", text.empty() ? "" : " ", record.element);
    text += element;
  }
  return text;
}

DimseCommand With(DimseCommand command, const std::function<void(DimseCommand&)>& change) {
  change(command);
  return command;
}

struct KindCase {
  const char* name;
  DimseCommand command;
  const char* elements;
};

const KindCase kKinds[] = {
    {"C-ECHO-RQ", Request(kCEchoRQ, "1.2.840.10008.1.1", 3, false), "0000 0002 0100 0110 0800"},
    {"C-STORE-RQ with originator",
     With(Request(kCStoreRQ, "1.2.3", 5, true),
          [](DimseCommand& c) {
            c.affectedSOPInstanceUID = "1.2.3.4";
            c.moveOriginatorAETitle = "MOVER";
            c.moveOriginatorMessageID = 9;
          }),
     "0000 0002 0100 0110 0700 0800 1000 1030 1031"},
    {"C-MOVE-RQ", With(Request(kCMoveRQ, "1.2.3", 5, true),
                       [](DimseCommand& c) { c.moveDestination = "DEST"; }),
     "0000 0002 0100 0110 0600 0700 0800"},
    {"C-CANCEL-RQ", With({}, [](DimseCommand& c) {
       c.commandField = kCCancelRQ;
       c.messageIDBeingRespondedTo = 5;
     }),
     "0000 0100 0120 0800"},
    {"C-GET-RSP pending", With(ResponseTo(Request(kCGetRQ, "1.2.3", 5, true), kStatusPending),
                               [](DimseCommand& c) {
                                 c.remaining = 2;
                                 c.completed = c.failed = c.warning = 0;
                               }),
     "0000 0002 0100 0120 0800 0900 1020 1021 1022 1023"},
    {"N-EVENT-REPORT-RQ", With(Request(kNEventReportRQ, "1.2.3", 5, true),
                               [](DimseCommand& c) {
                                 c.affectedSOPInstanceUID = "1.2.3.4";
                                 c.eventTypeID = 1;
                               }),
     "0000 0002 0100 0110 0800 1000 1002"},
    {"N-ACTION-RQ", With(Request(kNActionRQ, "1.2.3", 5, true),
                         [](DimseCommand& c) {
                           c.requestedSOPInstanceUID = "1.2.3.4";
                           c.actionTypeID = 1;
                         }),
     "0000 0003 0100 0110 0800 1001 1008"},
    {"N-CREATE-RSP failure", With(ResponseTo(Request(kNCreateRQ, "1.2.3", 5, true), 0x0111),
                                  [](DimseCommand& c) {
                                    c.errorComment = "duplicate";
                                    c.affectedSOPInstanceUID = "1.2.3.4";
                                  }),
     "0000 0002 0100 0120 0800 0900 0902 1000"},
};

TEST(EncodeCommand, WritesEachKindInTagOrderAndDecodesBackToTheSameCommand) {
  for (const KindCase& c : kKinds) {
    SCOPED_TRACE(c.name);
    TagList elements;
    ASSERT_TRUE(EncodeCommand(c.command, elements));
    EXPECT_EQ(ElementsOf(elements), c.elements);
    const DecodedCommand decoded = DecodeCommand(elements);
    EXPECT_TRUE(decoded) << decoded.reason;
    TagList again;
    ASSERT_TRUE(EncodeCommand(decoded.command, again));
    EXPECT_EQ(ElementsOf(again), c.elements);
    for (size_t i = 0; i < elements.size() && i < again.size(); ++i) {
      EXPECT_EQ(ValueBytes(again[i]).size(), ValueBytes(elements[i]).size()) << i;
    }
  }
}

TEST(EncodeCommand, RefusesAMissingFieldAndOneTheKindDoesNotCarry) {
  TagList elements;
  ServiceResult encoded = EncodeCommand(Request(kCStoreRQ, "1.2.3", 5, true), elements);
  EXPECT_EQ(encoded.failure, ServiceFailure::kLocal);
  EXPECT_EQ(encoded.reason, "the C-STORE-RQ lacks its Affected SOP Instance UID");
  encoded = EncodeCommand(With(Request(kCFindRQ, "1.2.3", 5, true),
                               [](DimseCommand& c) { c.moveDestination = "DEST"; }),
                          elements);
  EXPECT_EQ(encoded.reason, "a C-FIND-RQ carries no Move Destination");
  EXPECT_TRUE(elements.empty());
}

// A received command set with one element taken away (or given a value of one byte).
TEST(DecodeCommand, RefusesACommandWithoutARequiredField) {
  const DimseCommand store =
      With(Request(kCStoreRQ, "1.2.3", 5, true), [](DimseCommand& c) {
        c.affectedSOPInstanceUID = "1.2.3.4";
      });
  const DimseCommand response = ResponseTo(store, kStatusSuccess);
  const struct {
    DimseCommand command;
    Tag removed;
    bool oneByte;
    const char* reason;
  } cases[] = {
      {response, tag::kStatus, false, "a C-STORE-RSP without its Status"},
      {response, tag::kStatus, true, "a C-STORE-RSP without its Status"},
      {response, tag::kMessageIDBeingRespondedTo, false,
       "a C-STORE-RSP without its Message ID Being Responded To"},
      {store, tag::kAffectedSOPInstanceUID, false,
       "a C-STORE-RQ without its Affected SOP Instance UID"},
      {store, tag::kCommandDataSetType, false, "a C-STORE-RQ without its Command Data Set Type"},
      {store, tag::kCommandField, false, "the peer sent a command without a Command Field"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    TagList elements;
    ASSERT_TRUE(EncodeCommand(c.command, elements));
    std::erase_if(elements, [&](const TagRecord& r) { return r.Is(c.removed); });
    if (c.oneByte) elements.push_back(GenerateTag(c.removed, "US", testing::Bytes{0x01}));
    const DecodedCommand decoded = DecodeCommand(elements);
    EXPECT_EQ(decoded.failure, ServiceFailure::kProtocol);
    EXPECT_EQ(decoded.reason, c.reason);
  }
}

TEST(ReadResponse, NamesWhatCameInsteadAMissingStatusAndWhenNothingCame) {
  const auto association = [] {
    return std::make_unique<testing::AcceptedAssociation>(std::vector<testing::Bytes>{
        testing::ProposedContextItem(1, uid::kVerification, {uid::kImplicitVRLittleEndian})});
  };
  auto first = association();
  ASSERT_TRUE(first->accepted());
  ASSERT_TRUE(first->pair().Send(
      testing::PDataPdu({testing::Pdv(1, 0x03, testing::EchoResponseCommand(3, 0x0110))})));
  DimseCommand response;
  ServiceResult read = ReadResponse(first->service(), kNCreateRSP, response);
  EXPECT_EQ(read.failure, ServiceFailure::kUnexpectedResponse);
  EXPECT_EQ(read.reason, "the peer answered with a C-ECHO-RSP, not an N-CREATE-RSP");
  EXPECT_EQ(response.status, 0x0110) << "what came is still there to see";
  first->pair().ClosePeer();
  read = ReadResponse(first->service(), kCStoreRSP, response);
  EXPECT_EQ(read.failure, ServiceFailure::kNoResponse);
  EXPECT_EQ(read.reason, "no C-STORE-RSP: the peer closed the connection");

  // An echo response whose Status is gone: a protocol failure, and the association ends.
  auto second = association();
  testing::Bytes command = testing::EchoResponseCommand(3, 0);
  command.resize(command.size() - 10);
  command[8] = static_cast<uint8_t>(command[8] - 10);
  ASSERT_TRUE(second->pair().Send(testing::PDataPdu({testing::Pdv(1, 0x03, command)})));
  read = ReadResponse(second->service(), kCEchoRSP, response);
  EXPECT_EQ(read.failure, ServiceFailure::kProtocol);
  EXPECT_EQ(read.reason, "a C-ECHO-RSP without its Status (the association was aborted)");
  EXPECT_FALSE(second->service().Connected());
}

}  // namespace
}  // namespace norvane
