// A C-CANCEL-RQ sent right after a C-FIND, C-MOVE or C-GET ends it: the SCP reads it while
// it produces responses or sub-operations and answers with 0xFE00 and the counts so far.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "scp/scripted_requester.hpp"
#include "scp/server_thread.hpp"
#include "scp/store_thread.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::CommandBytes;
using testing::CommandElements;
using testing::CommandNumber;
using testing::MessageBuilder;
using testing::ProposedContextItem;
using testing::ReceivedMessage;
using testing::UidValue;
using testing::US;

constexpr std::string_view kCT = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.8";
constexpr std::string_view kSeries = "1.2.826.0.1.3680043.2.1125.8.1";
constexpr size_t kImages = 2000;
constexpr size_t kSeriesImages = 500;

struct CancelCase {
  const char* name;
  std::string_view sopClass;
  uint16_t commandField;
  std::string level;
  size_t matching;
};

// 2000 CT images of one study, the first 500 in one series, stored once for every case.
class CancelledOperation : public ::testing::TestWithParam<CancelCase> {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<testing::TempDir>();
    for (size_t i = 0; i < kImages; ++i) {
      const std::string series =
          i < kSeriesImages ? std::string(kSeries) : std::string(kStudy) + ".2";
      TagList object = testing::CompleteObject(kStudy, series, series + "." + std::to_string(i));
      ASSERT_EQ(StoreThread(Folder(), std::move(object), std::string(testing::kImplicitLEUid))
                    .Run()
                    .status,
                0);
    }
  }
  static void TearDownTestSuite() { folder_.reset(); }
  static std::string Folder() { return *folder_ / "Database/"; }

  static std::unique_ptr<ServerThread> Start(const std::string& folder, std::string title,
                                             std::vector<MoveDestination> destinations = {}) {
    StoreSCPSettings settings;
    settings.port = "0";
    settings.loopbackOnly = true;
    settings.folder = folder;
    settings.aeTitle = std::move(title);
    settings.moveDestinations = std::move(destinations);
    auto scp = std::make_unique<ServerThread>(std::move(settings));
    if (!scp->Listen()) return nullptr;
    scp->Start();
    return scp;
  }

  static std::unique_ptr<testing::TempDir> folder_;
};

std::unique_ptr<testing::TempDir> CancelledOperation::folder_;

Bytes Command(std::string_view sopClass, uint16_t field, uint16_t messageID) {
  MessageBuilder body;
  body.Implicit(0x0000, 0x0002, UidValue(sopClass))
      .Implicit(0x0000, 0x0100, US(field))
      .Implicit(0x0000, 0x0110, US(messageID));
  if (field == 0x0021) body.Implicit(0x0000, 0x0600, testing::Text("DEST"));
  body.Implicit(0x0000, 0x0700, US(0)).Implicit(0x0000, 0x0800, US(0x0000));
  return CommandBytes(body);
}

TEST_P(CancelledOperation, EndsWithCancelStatusWithinASecondAndStopsItsWork) {
  const CancelCase& c = GetParam();
  testing::TempDir destinationFolder;
  const std::unique_ptr<ServerThread> destination = Start(destinationFolder / "db/", "DEST");
  ASSERT_TRUE(destination);
  const std::unique_ptr<ServerThread> scp =
      Start(Folder(), "ARCHIVE",
            {MoveDestination{"DEST", "127.0.0.1", std::to_string(destination->Port())}});
  ASSERT_TRUE(scp);

  testing::ScriptedRequester requester(scp->Port());
  std::vector<Bytes> contexts = {ProposedContextItem(1, c.sopClass, {testing::kImplicitLEUid}),
                                 ProposedContextItem(3, kCT, {testing::kImplicitLEUid})};
  ASSERT_EQ(requester.Associate(contexts).at(0), 0x02);
  const auto start = std::chrono::steady_clock::now();
  const Bytes identifier =
      MessageBuilder()
          .Implicit(0x0008, 0x0052, testing::Text(c.level))
          .Implicit(0x0020, 0x000D, UidValue(kStudy))
          .Implicit(0x0020, 0x000E, c.level == "SERIES" ? UidValue(kSeries) : Bytes{})
          .bytes();
  ASSERT_TRUE(requester.SendMessage(1, true, Command(c.sopClass, c.commandField, 7)));
  ASSERT_TRUE(requester.SendMessage(1, false, identifier));
  ASSERT_TRUE(requester.SendMessage(1, true,
                                    CommandBytes(MessageBuilder()
                                                     .Implicit(0x0000, 0x0100, US(0x0FFF))
                                                     .Implicit(0x0000, 0x0120, US(7))
                                                     .Implicit(0x0000, 0x0800, US(0x0101)))));

  size_t pending = 0;
  size_t stored = 0;
  std::map<uint32_t, Bytes> final;
  for (;;) {
    const ReceivedMessage message = requester.ReadMessage();
    ASSERT_EQ(message.pduType, 0x04);
    const auto elements = CommandElements(message.bytes);
    if (message.contextID == 3) {  // a C-STORE sub-operation of the C-GET
      ++stored;
      ASSERT_FALSE(requester.ReadMessage().command);
      ASSERT_TRUE(requester.SendMessage(
          3, true,
          CommandBytes(MessageBuilder()
                           .Implicit(0x0000, 0x0002, UidValue(kCT))
                           .Implicit(0x0000, 0x0100, US(0x8001))
                           .Implicit(0x0000, 0x0120, US(CommandNumber(elements, 0x0110)))
                           .Implicit(0x0000, 0x0800, US(0x0101))
                           .Implicit(0x0000, 0x0900, US(0)))));
      continue;
    }
    if (CommandNumber(elements, 0x0900) != 0xFF00) {
      final = elements;
      break;
    }
    ++pending;
    if (CommandNumber(elements, 0x0800) != 0x0101) requester.ReadMessage();
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(CommandNumber(final, 0x0900), 0xFE00);
  EXPECT_LT(pending, c.matching);
  EXPECT_LT(stored, c.matching);
  EXPECT_LT(waited, std::chrono::seconds(1));
  if (c.commandField != 0x0020) {
    const int remaining = CommandNumber(final, 0x1020);
    EXPECT_GT(remaining, 0) << "the remaining sub-operations are reported";
    EXPECT_EQ(size_t(remaining + CommandNumber(final, 0x1021) + CommandNumber(final, 0x1022)),
              c.matching);
  }
  EXPECT_EQ(requester.Release().at(0), 0x06) << "the association goes on";
}

INSTANTIATE_TEST_SUITE_P(Scp, CancelledOperation,
                         ::testing::Values(CancelCase{"Find", testing::kStudyRootFindUid, 0x0020,
                                                      "IMAGE", kImages},
                                           CancelCase{"Move", "1.2.840.10008.5.1.4.1.2.2.2", 0x0021,
                                                      "SERIES", kSeriesImages},
                                           CancelCase{"Get", "1.2.840.10008.5.1.4.1.2.2.3", 0x0010,
                                                      "SERIES", kSeriesImages}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace norvane
