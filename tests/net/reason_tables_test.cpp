// The words for what a peer answered: A-ASSOCIATE-RJ and A-ABORT fields, and DIMSE
// statuses by service.

#include <gtest/gtest.h>

#include <string>

#include "dimse/status_meaning.hpp"
#include "net/association_reasons.hpp"

namespace norvane {
namespace {

TEST(ReasonTables, RejectionsNameResultSourceAndReason) {
  const struct {
    uint8_t result, source, reason;
    std::string text;
  } cases[] = {
      {1, 1, 1, "association rejected (permanent) by the service user: no reason given"},
      {1, 1, 2,
       "association rejected (permanent) by the service user: application context name not "
       "supported"},
      {1, 1, 3,
       "association rejected (permanent) by the service user: calling AE title not recognized"},
      {1, 1, 7,
       "association rejected (permanent) by the service user: called AE title not recognized"},
      {2, 2, 2,
       "association rejected (transient) by the service provider (ACSE): protocol version not "
       "supported"},
      {2, 3, 1,
       "association rejected (transient) by the service provider (presentation): temporary "
       "congestion"},
      {2, 3, 2,
       "association rejected (transient) by the service provider (presentation): local limit "
       "exceeded"},
      {1, 1, 5, "association rejected (permanent) by the service user: reason 5 (reserved)"},
      {9, 4, 1,
       "association rejected (result 9 (not defined)) by source 4 (not defined): reason 1 "
       "(reserved)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(RejectionText(c.result, c.source, c.reason), c.text);
  }
}

TEST(ReasonTables, AbortsNameSourceAndAProviderReason) {
  const struct {
    uint8_t source, reason;
    std::string text;
  } cases[] = {
      {0, 0, "the peer aborted the association (the service user)"},
      {0, 6, "the peer aborted the association (the service user)"},
      {2, 0, "the peer aborted the association (the service provider: reason not specified)"},
      {2, 1, "the peer aborted the association (the service provider: unrecognized PDU)"},
      {2, 2, "the peer aborted the association (the service provider: unexpected PDU)"},
      {2, 4, "the peer aborted the association (the service provider: unrecognized PDU parameter)"},
      {2, 5, "the peer aborted the association (the service provider: unexpected PDU parameter)"},
      {2, 6,
       "the peer aborted the association (the service provider: invalid PDU parameter value)"},
      {2, 3, "the peer aborted the association (the service provider: reason 3 (reserved))"},
      {1, 0, "the peer aborted the association (source 1 (reserved))"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AbortText(c.source, c.reason), c.text);
  }
}

TEST(ReasonTables, StatusesMeanWhatTheirServiceDefinesThenWhatAllShare) {
  using enum StatusCategory;
  const struct {
    uint16_t commandField;
    uint16_t status;
    StatusCategory category;
    std::string text;
  } cases[] = {
      // Storage, ranges included
      {0x8001, 0xA700, kFailure, "Refused: Out of Resources"},
      {0x8001, 0xA7F3, kFailure, "Refused: Out of Resources"},
      {0x8001, 0xA900, kFailure, "Error: Data Set does not match SOP Class"},
      {0x8001, 0xC123, kFailure, "Error: Cannot understand"},
      {0x8001, 0xB000, kWarning, "Warning: Coercion of Data Elements"},
      {0x8001, 0xB006, kWarning, "Warning: Elements Discarded"},
      {0x8001, 0xB007, kWarning, "Warning: Data Set does not match SOP Class"},
      {0x8001, 0x0000, kSuccess, "Success"},
      // Query
      {0x8020, 0xFF00, kPending, "Pending: Matches are continuing"},
      {0x8020, 0xFF01, kPending,
       "Pending: Matches are continuing, one or more Optional Keys were not supported"},
      {0x8020, 0xA700, kFailure, "Refused: Out of Resources"},
      {0x8020, 0xA900, kFailure, "Failed: Identifier does not match SOP Class"},
      {0x8020, 0xC001, kFailure, "Failed: Unable to process"},
      {0x8020, 0xFE00, kCancel, "Cancel: Matching terminated due to Cancel request"},
      // Retrieve
      {0x8021, 0xA701, kFailure,
       "Refused: Out of Resources, unable to calculate number of matches"},
      {0x8021, 0xA702, kFailure, "Refused: Out of Resources, unable to perform sub-operations"},
      {0x8021, 0xA801, kFailure, "Refused: Move Destination unknown"},
      {0x8021, 0xB000, kWarning, "Warning: Sub-operations complete, one or more failures"},
      {0x8021, 0xFE00, kCancel, "Cancel: Sub-operations terminated due to Cancel indication"},
      {0x8021, 0xFF00, kPending, "Pending: Sub-operations are continuing"},
      {0x8021, 0x0000, kSuccess, "Success: Sub-operations complete, no failures"},
      // Print management, by any N-service
      {0x8140, 0xB600, kWarning, "Warning: Memory allocation not supported"},
      {0x8130, 0xC602, kFailure,
       "Failed: Unable to create Print Job SOP Instance; print queue is full"},
      {0x8120, 0xC605, kFailure, "Failed: Insufficient memory in printer to store the image"},
      {0x8140, 0xC616, kFailure, "Failed: There is an existing Film Box that has not been printed"},
      // General statuses reach every service
      {0x8030, 0x0110, kFailure, "Failure: Processing failure"},
      {0x8001, 0x0122, kFailure, "Refused: SOP Class not supported"},
      {0x8110, 0x0107, kWarning, "Warning: Attribute list error"},
      {0x8120, 0x0116, kWarning, "Warning: Attribute Value Out of Range"},
      {0x8140, 0x0213, kFailure, "Failure: Resource limitation"},
      {0x8150, 0x0112, kFailure, "Failure: No such SOP Instance"},
      // A status no table holds is told by its class
      {0x8030, 0xA700, kFailure, "Failure (not defined for this service)"},
      {0x8030, 0xB123, kWarning, "Warning (not defined for this service)"},
      {0x8120, 0xC999, kFailure, "Failure (not defined for this service)"},
      {0x8001, 0xFF00, kPending, "Pending"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.commandField) + ": " + c.text);
    const StatusMeaning meaning = MeaningOfStatus(ServiceOfCommand(c.commandField), c.status);
    EXPECT_EQ(meaning.category, c.category);
    EXPECT_EQ(meaning.text, c.text);
  }
  EXPECT_EQ(StatusReason(0x8001, 0xA700), "C-STORE-RSP status 0xA700 (Refused: Out of Resources)");
}

}  // namespace
}  // namespace norvane
