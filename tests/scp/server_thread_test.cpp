#include "scp/server_thread.hpp"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "database/index_file.hpp"
#include "datadec/dicom_file_reader.hpp"
#include "datadec/element_encoding.hpp"
#include "elements/tag_list.hpp"
#include "scp/scripted_requester.hpp"
#include "scp/store_scp.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Bytes;
using testing::CommandElements;
using testing::CommandNumber;
using testing::ProposedContextItem;
using testing::ReceivedMessage;
using testing::ScriptedRequester;
using testing::WireBuilder;

constexpr std::string_view kCT = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.1";
constexpr std::string_view kSeries = "1.2.826.0.1.3680043.2.1125.1.2";
constexpr uint8_t kEchoContext = 1;
constexpr uint8_t kStoreContext = 3;

constexpr uint16_t kCommandFieldTag = 0x0100;
constexpr uint16_t kRespondedToTag = 0x0120;
constexpr uint16_t kStatusTag = 0x0900;

std::vector<Bytes> EchoAndStoreContexts() {
  return {ProposedContextItem(kEchoContext, testing::kVerificationUid, {testing::kImplicitLEUid}),
          ProposedContextItem(kStoreContext, kCT, {testing::kImplicitLEUid})};
}

// A CT object of 64x64 16-bit pixels, encoded implicit VR little endian.
TagList ImageObject(std::string_view instance) {
  TagList object = testing::CompleteObject(kStudy, kSeries, instance);
  std::vector<uint8_t> pixels(64 * 64 * 2);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<uint8_t>(i % 251);
  object.push_back(GenerateTag(0x7FE0, 0x0010, "OW", pixels));
  return object;
}

Bytes Implicit(const TagList& object) {
  return EncodeTags(object, false, ByteOrder::kLittleEndian).value_or(Bytes{});
}

std::string Describe(const ReceivedMessage& message) {
  if (message.pduType == 0) return "the connection closed";
  if (message.pduType != 0x04) return "PDU type " + std::to_string(message.pduType);
  return "message on context " + std::to_string(message.contextID) + ": " +
         testing::Hex(message.bytes, 0, 64);
}

// Every path under a folder, relative to it.
std::set<std::string> Tree(const fs::path& folder) {
  std::set<std::string> paths;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
    paths.insert(fs::relative(entry.path(), folder).string());
  return paths;
}

class ServerThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(Folder()); }

  void Start(const std::string& folder,
             const std::function<void(StoreSCPSettings&)>& adjust = nullptr) {
    StoreSCPSettings settings;
    settings.port = "0";
    settings.loopbackOnly = true;
    settings.folder = folder;
    if (adjust) adjust(settings);
    settings.observer = [this](const StoreReport& report) {
      std::lock_guard lock(mutex_);
      reports_.push_back(report);
    };
    StoreSCPStart start = StartStoreSCP(std::move(settings));
    ASSERT_TRUE(start) << "cannot listen: " << std::strerror(start.error);
    scp_ = std::move(start.server);
    port_ = scp_->Port();
    ASSERT_NE(port_, 0);
  }

  // The SCP again, with other limits.
  void Restart(const std::function<void(StoreSCPSettings&)>& adjust) {
    scp_->Stop();
    scp_.reset();
    Start(Folder(), adjust);
  }

  std::string Folder() const { return dir_ / "Database"; }
  std::string FileOf(std::string_view instance) const {
    return Folder() + "/" + std::string(kStudy) + "/" + std::string(kSeries) + "/" +
           std::string(instance) + ".dcm";
  }
  size_t ImageLines() const {
    const auto lines = ReadIndexLines(Folder() + "/" + std::string(kStudy) + "/" +
                                      std::string(kSeries) + "/Image.dir");
    return lines ? lines->size() : 0;
  }
  std::vector<StoreReport> Reports() {
    std::lock_guard lock(mutex_);
    return reports_;
  }

  // Opens an association with a Verification and a CT context; false when not accepted.
  bool Associate(ScriptedRequester& requester) {
    if (!requester.connected()) return false;
    const Bytes answer = requester.Associate(EchoAndStoreContexts());
    return !answer.empty() && answer[0] == 0x02;
  }

  // C-STORE-RQ and its data set; the response's elements.
  std::map<uint32_t, Bytes> Store(ScriptedRequester& requester, std::string_view instance,
                                  uint16_t messageID) {
    EXPECT_TRUE(requester.SendMessage(kStoreContext, true,
                                      testing::StoreRequestCommand(kCT, instance, messageID)));
    EXPECT_TRUE(requester.SendMessage(kStoreContext, false, Implicit(ImageObject(instance))));
    const ReceivedMessage response = requester.ReadMessage();
    EXPECT_TRUE(response.pduType == 0x04 && response.command && response.contextID == kStoreContext)
        << Describe(response);
    return CommandElements(response.bytes);
  }

  // One whole association: C-ECHO and release; true when the echo was answered.
  bool EchoWorks() {
    ScriptedRequester requester(port_);
    if (!Associate(requester)) return false;
    requester.SendMessage(kEchoContext, true, testing::EchoRequestCommand(1));
    const ReceivedMessage response = requester.ReadMessage();
    const auto elements = CommandElements(response.bytes);
    const bool answered = CommandNumber(elements, kCommandFieldTag) == 0x8030 &&
                          CommandNumber(elements, kStatusTag) == 0;
    requester.Release();
    return answered;
  }

  testing::TempDir dir_;
  std::unique_ptr<ServerThread> scp_;
  uint16_t port_ = 0;
  std::mutex mutex_;
  std::vector<StoreReport> reports_;
};

TEST_F(ServerThreadTest, EchoThenStoreOnOneAssociation_BothAnsweredAndTheObjectStored) {
  ScriptedRequester requester(port_);
  ASSERT_TRUE(Associate(requester));

  ASSERT_TRUE(requester.SendMessage(kEchoContext, true, testing::EchoRequestCommand(1)));
  const ReceivedMessage echo = requester.ReadMessage();
  const auto echoElements = CommandElements(echo.bytes);
  EXPECT_EQ(CommandNumber(echoElements, kCommandFieldTag), 0x8030) << Describe(echo);
  EXPECT_EQ(CommandNumber(echoElements, kStatusTag), 0x0000);
  EXPECT_EQ(CommandNumber(echoElements, kRespondedToTag), 1);

  const auto store = Store(requester, "1.5", 2);
  EXPECT_EQ(CommandNumber(store, kCommandFieldTag), 0x8001);
  EXPECT_EQ(CommandNumber(store, kRespondedToTag), 2);
  EXPECT_EQ(CommandNumber(store, kStatusTag), 0x0000);
  // The response came after the file and its index line were written.
  const DicomFileContent file = DICOMFile(FileOf("1.5"));
  ASSERT_TRUE(file.Ok()) << FileOf("1.5") << ": " << norvane::Describe(file.status);
  EXPECT_FALSE(file.explicitVR);
  EXPECT_EQ(ImageLines(), 1u);

  EXPECT_EQ(requester.Release()[0], 0x06) << "the peer's release is answered";
  EXPECT_TRUE(requester.SeesClose()) << "and the SCP closes without a release of its own";
  const std::vector<StoreReport> reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(reports[0].answered);
  EXPECT_EQ(reports[0].callingApTitle, "SCRIPTSCU");
  EXPECT_EQ(reports[0].outcome.filePath, FileOf("1.5"));
}

TEST_F(ServerThreadTest, ObjectSentTwiceIsStoredOnceWithOneImageLine) {
  ScriptedRequester requester(port_);
  ASSERT_TRUE(Associate(requester));
  EXPECT_EQ(CommandNumber(Store(requester, "1.5", 1), kStatusTag), 0x0000);
  EXPECT_EQ(CommandNumber(Store(requester, "1.5", 2), kStatusTag), 0x0000);
  requester.Release();
  EXPECT_EQ(ImageLines(), 1u);
  const std::vector<StoreReport> reports = Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_TRUE(reports[1].outcome.replaced);
}

TEST_F(ServerThreadTest, ResponseUsesTheRequestsContextWhenAnEarlierContextWasRefused) {
  ScriptedRequester requester(port_);
  const Bytes answer =
      requester.Associate({ProposedContextItem(1, kCT, {testing::kExplicitBEUid}),
                           ProposedContextItem(kStoreContext, kCT, {testing::kImplicitLEUid})});
  ASSERT_EQ(answer.at(0), 0x02);
  EXPECT_EQ(CommandNumber(Store(requester, "1.5", 1), kStatusTag), 0x0000);
  requester.Release();
}

TEST_F(ServerThreadTest, UnwritableFolderAnswersOutOfResourcesAndIndexesNothing) {
  scp_->Stop();
  std::ofstream(dir_ / "plain") << "not a folder";
  Start(dir_ / "plain/Database");
  ScriptedRequester requester(port_);
  ASSERT_TRUE(Associate(requester));
  EXPECT_EQ(CommandNumber(Store(requester, "1.5", 1), kStatusTag), 0xA700);
  requester.Release();
  EXPECT_EQ(Tree(dir_.path()), std::set<std::string>{"plain"});
  const std::vector<StoreReport> reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].outcome.status, 0xA700);
}

// C-FIND on the wire: pending responses with identifiers, then the final status, each on
// the request's context and answering its message ID; a query that cannot be served gets a
// failure status and the association goes on.
TEST_F(ServerThreadTest, FindRequestsAreAnsweredWithMatchesOrAFailureStatus) {
  {
    ScriptedRequester storer(port_);
    ASSERT_TRUE(Associate(storer));
    ASSERT_EQ(CommandNumber(Store(storer, "1.5", 1), kStatusTag), 0);
    storer.Release();
  }
  struct Case {
    const char* name;
    uint8_t context;  // 1: Study Root FIND, 3: CT storage
    std::string_view sopClass;
    std::string level;  // empty: no identifier
    std::string patientID;
    std::vector<std::string> answeredIDs;
    int finalStatus;
  };
  const std::vector<Case> cases = {
      {"match", 1, testing::kStudyRootFindUid, "STUDY", "PID-0042", {"PID-0042"}, 0x0000},
      {"wildcard", 1, testing::kStudyRootFindUid, "IMAGE", "PID-*", {"PID-0042"}, 0x0000},
      {"no match", 1, testing::kStudyRootFindUid, "SERIES", "OTHER", {}, 0x0000},
      {"level of no model", 1, testing::kStudyRootFindUid, "PATIENT", "", {}, 0xA900},
      {"no identifier", 1, testing::kStudyRootFindUid, "", "", {}, 0xC000},
      {"storage context", 3, kCT, "STUDY", "", {}, 0xC000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedRequester requester(port_);
    ASSERT_EQ(requester
                  .Associate({ProposedContextItem(1, testing::kStudyRootFindUid,
                                                  {testing::kImplicitLEUid}),
                              ProposedContextItem(3, kCT, {testing::kImplicitLEUid})})
                  .at(0),
              0x02);
    const uint16_t dataSetType = c.level.empty() ? 0x0101 : 0x0000;
    ASSERT_TRUE(requester.SendMessage(c.context, true,
                                      testing::FindRequestCommand(7, c.sopClass, dataSetType)));
    if (!c.level.empty()) {
      TagList identifier;
      identifier.push_back(testing::PaddedText(0x0008, 0x0052, "CS", c.level));
      identifier.push_back(testing::PaddedText(0x0010, 0x0020, "LO", c.patientID));
      ASSERT_TRUE(requester.SendMessage(c.context, false, Implicit(identifier)));
    }
    std::vector<std::string> answeredIDs;
    for (;;) {
      const ReceivedMessage response = requester.ReadMessage();
      ASSERT_TRUE(response.pduType == 0x04 && response.command && response.contextID == c.context)
          << Describe(response);
      const auto elements = CommandElements(response.bytes);
      EXPECT_EQ(CommandNumber(elements, kCommandFieldTag), 0x8020);
      EXPECT_EQ(CommandNumber(elements, kRespondedToTag), 7);
      EXPECT_EQ(elements.count(0x00000002) ? elements.at(0x00000002) : Bytes{},
                testing::UidValue(c.sopClass));
      const int status = CommandNumber(elements, kStatusTag);
      if (status != 0xFF00) {
        EXPECT_EQ(status, c.finalStatus);
        EXPECT_EQ(CommandNumber(elements, 0x0800), 0x0101) << "no identifier with a final status";
        break;
      }
      EXPECT_NE(CommandNumber(elements, 0x0800), 0x0101);
      const ReceivedMessage identifier = requester.ReadMessage();
      ASSERT_TRUE(identifier.pduType == 0x04 && !identifier.command) << Describe(identifier);
      auto answered = CommandElements(identifier.bytes);
      EXPECT_EQ(std::string(answered[0x00080052].begin(), answered[0x00080052].end()),
                c.level + (c.level.size() % 2 ? " " : ""));
      answeredIDs.emplace_back(answered[0x00100020].begin(), answered[0x00100020].end());
    }
    EXPECT_EQ(answeredIDs, c.answeredIDs);
    ASSERT_TRUE(
        requester.SendMessage(c.context, true, testing::FindRequestCommand(8, c.sopClass, 0x0101)));
    EXPECT_EQ(requester.ReadMessage().pduType, 0x04) << "the association goes on";
    EXPECT_EQ(requester.Release().at(0), 0x06);
  }
}

TEST_F(ServerThreadTest, StoreRequestWithoutDataSetIsRefusedAndTheAssociationGoesOn) {
  ScriptedRequester requester(port_);
  ASSERT_TRUE(Associate(requester));
  ASSERT_TRUE(requester.SendMessage(kStoreContext, true,
                                    testing::StoreRequestCommand(kCT, "1.5", 1, 0x0101)));
  const ReceivedMessage next = requester.ReadMessage();
  const auto elements = CommandElements(next.bytes);
  EXPECT_EQ(CommandNumber(elements, kCommandFieldTag), 0x8001) << Describe(next);
  EXPECT_EQ(CommandNumber(elements, kStatusTag), 0xC000);
  EXPECT_EQ(requester.Release().at(0), 0x06);
}

TEST_F(ServerThreadTest, StoreRequestWithoutSopClassIsRefusedAndNotStored) {
  ScriptedRequester requester(port_);
  ASSERT_TRUE(Associate(requester));
  Bytes command = testing::StoreRequestCommand(kCT, "1.5", 1);
  // Drop (0000,0002): tag, length and the 26 value bytes after the group length element.
  command.erase(command.begin() + 12, command.begin() + 12 + 8 + 26);
  ASSERT_TRUE(requester.SendMessage(kStoreContext, true, command));
  ASSERT_TRUE(requester.SendMessage(kStoreContext, false, Implicit(ImageObject("1.5"))));
  ASSERT_TRUE(requester.SendMessage(kEchoContext, true, testing::EchoRequestCommand(2)));
  const auto refusal = CommandElements(requester.ReadMessage().bytes);
  EXPECT_EQ(CommandNumber(refusal, kCommandFieldTag), 0x8001);
  EXPECT_EQ(CommandNumber(refusal, kStatusTag), 0xC000) << "its data set was read past";
  const ReceivedMessage next = requester.ReadMessage();
  EXPECT_EQ(CommandNumber(CommandElements(next.bytes), kCommandFieldTag), 0x8030)
      << "the echo is answered next: " << Describe(next);
  requester.Release();
  EXPECT_FALSE(fs::exists(FileOf("1.5")));
}

TEST_F(ServerThreadTest, AbortInTheMiddleOfADataSetLeavesNoFileAndNoIndexLine) {
  {
    ScriptedRequester requester(port_);
    ASSERT_TRUE(Associate(requester));
    ASSERT_TRUE(
        requester.SendMessage(kStoreContext, true, testing::StoreRequestCommand(kCT, "1.5", 1)));
    const Bytes dataset = Implicit(ImageObject("1.5"));
    ASSERT_TRUE(
        requester.SendMessage(kStoreContext, false, testing::Slice(dataset, 0, 5000), false));
    ASSERT_TRUE(requester.SendAbort());
  }
  ASSERT_TRUE(EchoWorks()) << "associations are served in turn: the aborted one has ended";
  EXPECT_TRUE(Tree(Folder()).empty()) << "found " << *Tree(Folder()).begin();
  EXPECT_TRUE(Reports().empty());
}

TEST_F(ServerThreadTest, ConnectionLostInTheMiddleOfADataSetLeavesNoFileAndNoIndexLine) {
  {
    ScriptedRequester requester(port_);
    ASSERT_TRUE(Associate(requester));
    ASSERT_TRUE(
        requester.SendMessage(kStoreContext, true, testing::StoreRequestCommand(kCT, "1.5", 1)));
    const Bytes dataset = Implicit(ImageObject("1.5"));
    ASSERT_TRUE(
        requester.SendMessage(kStoreContext, false, testing::Slice(dataset, 0, 5000), false));
  }
  ASSERT_TRUE(EchoWorks());
  EXPECT_TRUE(Tree(Folder()).empty());
}

TEST_F(ServerThreadTest, WithOneAssociationAtATimeASecondIsAcceptedOnlyAfterTheFirstEnds) {
  Restart([](StoreSCPSettings& settings) { settings.maxAssociations = 1; });
  ScriptedRequester first(port_);
  ASSERT_TRUE(Associate(first));
  ScriptedRequester second(port_);
  ASSERT_TRUE(second.connected());
  std::future<Bytes> secondAnswer =
      std::async(std::launch::async, [&] { return second.Associate(EchoAndStoreContexts()); });
  EXPECT_EQ(secondAnswer.wait_for(500ms), std::future_status::timeout)
      << "the second association was answered while the first was open";
  EXPECT_EQ(first.Release().at(0), 0x06);
  ASSERT_EQ(secondAnswer.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(secondAnswer.get().at(0), 0x02);
  second.Release();
}

TEST_F(ServerThreadTest, TenSilentPeersDoNotDelayANormalClient) {
  std::vector<std::unique_ptr<ScriptedRequester>> silent;
  for (int i = 0; i < 10; ++i) {
    silent.push_back(std::make_unique<ScriptedRequester>(port_));
    ASSERT_TRUE(silent.back()->connected());
  }
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(EchoWorks());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s)
      << "the client waited for the silent peers' ARTIM time of 30 s";
}

// Cut off at the limit, measured from the connection (ARTIM) or from the last progress
// (idle); each case fills a pool of two, so the client behind waits until a place frees.
struct SlowPeerCase {
  const char* what;
  bool associates;       // sends a whole A-ASSOCIATE-RQ first
  size_t trickledBytes;  // then sends this much of a message, one byte per 100 ms
};

// A P-DATA-TF of `size` bytes holding one command fragment.
Bytes CommandPdu(size_t size) {
  return testing::PDataPdu(
      {testing::Pdv(kEchoContext, testing::kCommandLastHeader, Bytes(size - 12, 0))});
}

Bytes AssociateRequest() {
  WireBuilder items;
  items.UidItem(0x10, testing::kApplicationContextUid);
  for (const Bytes& context : EchoAndStoreContexts())
    items.Append(context);
  items.Append(testing::UserInformationItem(16384, "1.2.3.4", "SLOW"));
  return testing::AssociatePdu(0x01, "NORVANESCP", "SLOW", items.bytes());
}

class SlowPeer : public ServerThreadTest, public ::testing::WithParamInterface<SlowPeerCase> {};

TEST_P(SlowPeer, IsCutOffAtItsLimitAndFreesItsPlace) {
  Restart([](StoreSCPSettings& settings) {
    settings.maxAssociations = 2;
    settings.artimTimeout = 1s;
    settings.idleTimeout = 1s;
  });
  const SlowPeerCase& slow = GetParam();
  std::vector<std::unique_ptr<ScriptedRequester>> peers;
  std::vector<std::thread> tricklers;
  const auto started = std::chrono::steady_clock::now();
  for (int i = 0; i < 2; ++i) {
    peers.push_back(std::make_unique<ScriptedRequester>(port_));
    ScriptedRequester& peer = *peers.back();
    if (slow.associates) {
      ASSERT_TRUE(Associate(peer));
    }
    if (slow.trickledBytes == 0) continue;
    tricklers.emplace_back([&peer, &slow] {
      const Bytes message = slow.associates ? CommandPdu(slow.trickledBytes) : AssociateRequest();
      for (size_t i = 0; i < std::min(slow.trickledBytes, message.size()); ++i) {
        std::this_thread::sleep_for(100ms);
        if (::send(peer.fd(), &message[i], 1, MSG_NOSIGNAL) != 1) return;
      }
    });
  }
  std::future<bool> echo = std::async(std::launch::async, [this] { return EchoWorks(); });
  EXPECT_EQ(echo.wait_for(700ms), std::future_status::timeout) << "the pool was not full";
  for (auto& peer : peers)
    EXPECT_TRUE(peer->SeesClose());
  const auto cut = std::chrono::steady_clock::now() - started;
  EXPECT_GE(cut, 900ms);
  EXPECT_LT(cut, 4s);
  ASSERT_EQ(echo.wait_for(5s), std::future_status::ready);
  EXPECT_TRUE(echo.get()) << "the client behind them was served";
  for (auto& peer : peers)
    peer->Close();
  for (std::thread& trickler : tricklers)
    trickler.join();
}

INSTANTIATE_TEST_SUITE_P(ServerThread, SlowPeer,
                         ::testing::Values(SlowPeerCase{"silent before the request", false, 0},
                                           SlowPeerCase{"trickling its request", false, 60},
                                           SlowPeerCase{"trickling a command", true, 60}),
                         [](const auto& info) {
                           std::string name = info.param.what;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST_F(ServerThreadTest, AnAssociationInUseLongerThanTheIdleTimeIsNotCutOff) {
  Restart([](StoreSCPSettings& settings) { settings.idleTimeout = 1s; });
  ScriptedRequester requester(port_);
  ASSERT_TRUE(Associate(requester));
  for (uint16_t id = 1; id <= 4; ++id) {
    std::this_thread::sleep_for(600ms);
    ASSERT_TRUE(requester.SendMessage(kEchoContext, true, testing::EchoRequestCommand(id)));
    const auto elements = CommandElements(requester.ReadMessage().bytes);
    EXPECT_EQ(CommandNumber(elements, kRespondedToTag), id);
  }
  EXPECT_EQ(requester.Release().at(0), 0x06);
}

TEST_F(ServerThreadTest, DataSetBeforeItsCommandIsAbortedAtOnce) {
  ScriptedRequester requester(port_);
  ASSERT_TRUE(Associate(requester));
  // The first fragment of a data set, and no command before it.
  ASSERT_TRUE(requester.SendMessage(kStoreContext, false, Implicit(ImageObject("1.5")), false));
  const auto started = std::chrono::steady_clock::now();
  const ReceivedMessage answer = requester.ReadMessage();
  EXPECT_EQ(answer.pduType, 0x07) << "expected an A-ABORT, got " << Describe(answer);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
  EXPECT_TRUE(requester.SeesClose());
  EXPECT_TRUE(Tree(Folder()).empty());
}

// Binds as a restarted SCP would, with SO_REUSEADDR: a connection of the stopped SCP left in
// TIME_WAIT does not count, a listening socket still open does.
bool CanBind(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                     ::listen(fd, 1) == 0;
  ::close(fd);
  return bound;
}

TEST_F(ServerThreadTest, StoppedListenerReleasesItsPort) {
  ASSERT_TRUE(EchoWorks());
  EXPECT_FALSE(CanBind(port_)) << "the SCP holds its port while it runs";
  scp_->Stop();
  EXPECT_TRUE(CanBind(port_)) << "port " << port_ << " is still taken after Stop";
  ScriptedRequester late(port_);
  EXPECT_FALSE(late.connected()) << "nothing listens any more";
}

TEST_F(ServerThreadTest, StopCutsOffAnOpenAssociation) {
  ScriptedRequester requester(port_);
  ASSERT_TRUE(Associate(requester));
  const auto started = std::chrono::steady_clock::now();
  scp_->Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_TRUE(requester.SeesClose());
  EXPECT_TRUE(CanBind(port_));
}

TEST_F(ServerThreadTest, PortInUseCannotBeListenedOn) {
  StoreSCPSettings settings;
  settings.port = std::to_string(port_);
  settings.loopbackOnly = true;
  settings.folder = Folder();
  const StoreSCPStart second = StartStoreSCP(settings);
  EXPECT_FALSE(second);
  EXPECT_EQ(second.error, EADDRINUSE);
  EXPECT_TRUE(EchoWorks()) << "the first SCP is not disturbed";
}

// The listening socket of this process on the port, found among its descriptors.
int ListeningDescriptor(uint16_t port) {
  DIR* fds = ::opendir("/proc/self/fd");
  if (fds == nullptr) return -1;
  int found = -1;
  while (const dirent* entry = ::readdir(fds)) {
    const int fd = std::atoi(entry->d_name);
    sockaddr_in address{};
    socklen_t length = sizeof address;
    int listening = 0;
    socklen_t optionLength = sizeof listening;
    if (fd > 2 && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
        address.sin_family == AF_INET && ntohs(address.sin_port) == port &&
        ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &optionLength) == 0 && listening) {
      found = fd;
    }
  }
  ::closedir(fds);
  return found;
}

bool EchoWorksWithin(const std::function<bool()>& echo, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (echo()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

TEST_F(ServerThreadTest, ListenerThatFailsForGoodIsOpenedAgain) {
  const int listener = ListeningDescriptor(port_);
  ASSERT_GE(listener, 0);
  // Accept on a shut-down listener fails with an error that is not transient.
  ASSERT_EQ(::shutdown(listener, SHUT_RDWR), 0);
  EXPECT_TRUE(EchoWorksWithin([this] { return EchoWorks(); }, 10s));
}

TEST_F(ServerThreadTest, AcceptOutOfDescriptorsIsWaitedOut) {
  rlimit original{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &original), 0);
  rlimit lowered = original;
  lowered.rlim_cur = std::min<rlim_t>(original.rlim_cur, 256);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);

  const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(client, 0);
  std::vector<int> fillers;
  for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
    fillers.push_back(fd);
  // The connection waits in the backlog; every accept of it fails with EMFILE.
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port_);
  const bool connected =
      ::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  std::this_thread::sleep_for(400ms);
  for (int fd : fillers)
    ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &original);
  ASSERT_TRUE(connected);
  ASSERT_GT(fillers.size(), 0u);

  WireBuilder items;
  items.UidItem(0x10, testing::kApplicationContextUid);
  for (const Bytes& context : EchoAndStoreContexts())
    items.Append(context);
  items.Append(testing::UserInformationItem(16384, "1.2.3.4", "SCRIPT"));
  ASSERT_TRUE(testing::SendAll(
      client, testing::AssociatePdu(0x01, "NORVANESCP", "SCRIPTSCU", items.bytes())));
  const Bytes answer = testing::ReadPdu(client);
  ::close(client);
  ASSERT_FALSE(answer.empty()) << "the waiting connection was never served";
  EXPECT_EQ(answer[0], 0x02);
  EXPECT_TRUE(EchoWorks());
}

}  // namespace
}  // namespace norvane
