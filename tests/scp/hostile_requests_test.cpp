// Requests a hostile or broken peer sends the archive, each with the answer it must get: the
// SCP's memory is bounded by what it announces and what its operator set, never by what a
// peer sends, and nothing is filed without its own UIDs.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "datadec/element_encoding.hpp"
#include "net/role_item.hpp"
#include "scp/scripted_requester.hpp"
#include "scp/server_thread.hpp"
#include "scp/store_thread.hpp"
#include "support/deflated.hpp"
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
using testing::ScriptedRequester;
using testing::UidValue;
using testing::US;

constexpr std::string_view kCT = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kGet = "1.2.840.10008.5.1.4.1.2.2.3";
constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.9";
constexpr std::string_view kSeries = "1.2.826.0.1.3680043.2.1125.9.1";
constexpr uint64_t kObjectLimit = 1024 * 1024;

Bytes Implicit(const TagList& object) {
  return EncodeTags(object, false, ByteOrder::kLittleEndian).value_or(Bytes{});
}

// The object in Deflated Explicit VR Little Endian, padded to even length: a few KiB for
// megabytes of zeros.
Bytes Deflated(const TagList& object) {
  Bytes deflated =
      testing::Deflated(EncodeTags(object, true, ByteOrder::kLittleEndian).value_or(Bytes{}));
  if (deflated.size() % 2 != 0) deflated.push_back(0);
  return deflated;
}

// A CT object, with `change` made to it.
Bytes Object(std::string_view instance, const std::function<void(TagList&)>& change = {}) {
  TagList object = testing::CompleteObject(kStudy, kSeries, instance);
  if (change) change(object);
  return Implicit(object);
}

void Remove(TagList& object, uint16_t group, uint16_t element) {
  std::erase_if(object, [&](const TagRecord& r) { return r.Is(group, element); });
}

Bytes GetCommand(uint16_t messageID) {
  return CommandBytes(MessageBuilder()
                          .Implicit(0x0000, 0x0002, UidValue(kGet))
                          .Implicit(0x0000, 0x0100, US(0x0010))
                          .Implicit(0x0000, 0x0110, US(messageID))
                          .Implicit(0x0000, 0x0700, US(0))
                          .Implicit(0x0000, 0x0800, US(0)));
}

// Sends the requests of one case on contexts 1 (FIND or GET) and 3 (CT storage, SCP role
// asked) and gives the message that settles it.
using Conversation = std::function<ReceivedMessage(ScriptedRequester&)>;

struct HostileCase {
  const char* name;
  std::string_view retrieveClass;
  Conversation conversation;
  int status;  // of the settling response; -1 for an A-ABORT of the SCP
  int failed;  // Number of Failed Sub-operations it names; -1 when none is asked for
  std::string_view storageSyntax = testing::kImplicitLEUid;  // proposed on context 3
};

ReceivedMessage Store(ScriptedRequester& requester, const Bytes& dataset) {
  requester.SendMessage(3, true, testing::StoreRequestCommand(kCT, "1.2.3.9", 5));
  requester.SendMessage(3, false, dataset);
  return requester.ReadMessage();
}

ReceivedMessage Find(ScriptedRequester& requester, const Bytes& identifier) {
  requester.SendMessage(1, true, testing::FindRequestCommand(7));
  requester.SendMessage(1, false, identifier);
  return requester.ReadMessage();
}

Bytes Keys(size_t count, size_t valueBytes) {
  MessageBuilder keys;
  keys.Implicit(0x0008, 0x0052, testing::Text("STUDY "));
  for (size_t i = 0; i < count; ++i) {
    keys.Implicit(0x0009, static_cast<uint16_t>(0x1000 + i), Bytes(valueBytes, 'A'));
  }
  return keys.bytes();
}

// A C-GET whose storage sub-operation is answered by a C-STORE-RSP without a Status.
ReceivedMessage GetAnsweredWithoutStatus(ScriptedRequester& requester) {
  requester.SendMessage(1, true, GetCommand(9));
  requester.SendMessage(1, false,
                        MessageBuilder()
                            .Implicit(0x0008, 0x0052, testing::Text("STUDY "))
                            .Implicit(0x0020, 0x000D, UidValue(kStudy))
                            .bytes());
  for (;;) {
    const ReceivedMessage message = requester.ReadMessage();
    if (message.pduType != 0x04 || message.contextID != 3) return message;
    requester.ReadMessage();  // the data set
    const auto command = CommandElements(message.bytes);
    requester.SendMessage(
        3, true,
        CommandBytes(MessageBuilder()
                         .Implicit(0x0000, 0x0002, UidValue(kCT))
                         .Implicit(0x0000, 0x0100, US(0x8001))
                         .Implicit(0x0000, 0x0120, US(CommandNumber(command, 0x0110)))
                         .Implicit(0x0000, 0x0800, US(0x0101))));
  }
}

class HostileRequest : public ::testing::TestWithParam<HostileCase> {
 protected:
  void SetUp() override {
    TagList stored = testing::CompleteObject(kStudy, kSeries, "1.2.3.1");
    ASSERT_EQ(
        StoreThread(Folder(), std::move(stored), std::string(testing::kImplicitLEUid)).Run().status,
        0);
    StoreSCPSettings settings;
    settings.port = "0";
    settings.loopbackOnly = true;
    settings.folder = Folder();
    settings.maxObjectSize = kObjectLimit;
    scp_ = std::make_unique<ServerThread>(std::move(settings));
    ASSERT_TRUE(scp_->Listen());
    scp_->Start();
  }
  std::string Folder() const { return dir_ / "db/"; }
  size_t Files() const {
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder())) {
      files += entry.path().extension() == ".dcm";
    }
    return files;
  }

  testing::TempDir dir_;
  std::unique_ptr<ServerThread> scp_;
};

TEST_P(HostileRequest, GetsItsAnswerAndFilesNothing) {
  const HostileCase& c = GetParam();
  ScriptedRequester requester(scp_->Port());
  testing::WireBuilder userInfo;
  userInfo.U8(0x51)
      .U8(0)
      .U16(4)
      .U32(16384)
      .UidItem(0x52, "1.2.3.4")
      .Append(testing::RoleItem(kCT, 1, 1));
  const Bytes answer =
      requester.Send(testing::AssociatePdu(
          0x01, "NORVANESCP", "HOSTILE",
          testing::WireBuilder()
              .UidItem(0x10, testing::kApplicationContextUid)
              .Append(ProposedContextItem(1, c.retrieveClass, {testing::kImplicitLEUid}))
              .Append(ProposedContextItem(3, kCT, {c.storageSyntax}))
              .U8(0x50)
              .U8(0)
              .U16(static_cast<uint16_t>(userInfo.size()))
              .Append(userInfo.bytes())
              .bytes()))
          ? testing::ReadPdu(requester.fd())
          : Bytes{};
  ASSERT_EQ(answer.at(0), 0x02);
  const ReceivedMessage settled = c.conversation(requester);
  if (c.status < 0) {
    EXPECT_EQ(settled.pduType, 0x07) << "an A-ABORT";
  } else {
    const auto elements = CommandElements(settled.bytes);
    EXPECT_EQ(CommandNumber(elements, 0x0900), c.status);
    if (c.failed >= 0) {
      EXPECT_EQ(CommandNumber(elements, 0x1022), c.failed);
    }
  }
  scp_->Stop();  // the association has cleaned up after itself
  EXPECT_EQ(Files(), 1u) << "only the object stored before";
}

INSTANTIATE_TEST_SUITE_P(
    Scp, HostileRequest,
    ::testing::Values(
        HostileCase{"FindWith2000Keys", testing::kStudyRootFindUid,
                    [](ScriptedRequester& r) { return Find(r, Keys(2000, 4)); }, 0xA700, -1},
        HostileCase{"FindIdentifierOfTwoMegabytes", testing::kStudyRootFindUid,
                    [](ScriptedRequester& r) { return Find(r, Keys(2, 1024 * 1024)); }, -1, -1},
        HostileCase{"CommandSetOf70Kilobytes", testing::kStudyRootFindUid,
                    [](ScriptedRequester& r) {
                      r.SendMessage(1, true,
                                    CommandBytes(MessageBuilder()
                                                     .Implicit(0x0000, 0x0100, US(0x0020))
                                                     .Implicit(0x0000, 0x0902, Bytes(70000, 'X'))));
                      return r.ReadMessage();
                    },
                    -1, -1},
        HostileCase{"DataSetOverTheObjectLimit", testing::kStudyRootFindUid,
                    [](ScriptedRequester& r) {
                      return Store(r, Object("1.2.3.9", [](TagList& o) {
                                     o.push_back(GenerateTag(0x7FE0, 0x0010, "OW",
                                                             Bytes(2 * kObjectLimit, 1)));
                                   }));
                    },
                    -1, -1},
        HostileCase{"DeflatedDataSetInflatingPastTheObjectLimit", testing::kStudyRootFindUid,
                    [](ScriptedRequester& r) {
                      TagList object = testing::CompleteObject(kStudy, kSeries, "1.2.3.9");
                      object.push_back(
                          GenerateTag(0x7FE0, 0x0010, "OW", Bytes(2 * kObjectLimit, 0)));
                      return Store(r, Deflated(object));
                    },
                    -1, -1, "1.2.840.10008.1.2.1.99"},
        HostileCase{"EmptyStudyInstanceUID", testing::kStudyRootFindUid,
                    [](ScriptedRequester& r) {
                      return Store(r, Object("1.2.3.9", [](TagList& o) {
                                     Remove(o, 0x0020, 0x000D);
                                     o.push_back(GenerateTextTag(0x0020, 0x000D, "UI", ""));
                                   }));
                    },
                    0xC000, -1},
        HostileCase{"MissingSeriesInstanceUID", testing::kStudyRootFindUid,
                    [](ScriptedRequester& r) {
                      return Store(
                          r, Object("1.2.3.9", [](TagList& o) { Remove(o, 0x0020, 0x000E); }));
                    },
                    0xC000, -1},
        HostileCase{"GetAnsweredWithoutStatus", kGet, GetAnsweredWithoutStatus, 0xA702, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace norvane
