// StoreSCU, SendStoreRQ and ReadStoreRSP against a storage SCP the test plays: what the
// association proposes, the C-STORE-RQ bytes, the data set as it arrives, and how each
// kind of answer ends.

#include "dimse/store_scu.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "convert/convert_dataset.hpp"
#include "dimse/store_contexts.hpp"
#include "dimse/store_request.hpp"
#include "elements/tags.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "scripted_store_peer.hpp"
#include "store_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::Bytes;
using testing::CommandUS;
using testing::Hex;
using testing::MessageBuilder;
using testing::PeerAnswer;
using testing::ProposedContext;
using testing::ScriptedStorePeer;
using testing::StorePeerRecord;
using testing::StorePeerScript;
using testing::Text;
using testing::US;

// The transfer syntaxes proposed, one presentation context each (IDs 1, 3, 5, ...), all
// for the same SOP class.
std::vector<std::string> Syntaxes(const StorePeerRecord& seen) {
  std::vector<std::string> syntaxes;
  const std::vector<ProposedContext> contexts = seen.Proposed();
  for (size_t i = 0; i < contexts.size(); ++i) {
    EXPECT_EQ(contexts[i].id, 2 * i + 1);
    EXPECT_EQ(contexts[i].abstractSyntax, contexts.front().abstractSyntax);
    EXPECT_EQ(contexts[i].transferSyntaxes.size(), 1u) << "one syntax per context";
    syntaxes.insert(syntaxes.end(), contexts[i].transferSyntaxes.begin(),
                    contexts[i].transferSyntaxes.end());
  }
  return syntaxes;
}

std::vector<std::string> List(std::initializer_list<std::string_view> uids) {
  return std::vector<std::string>(uids.begin(), uids.end());
}

bool SameRecords(const TagList& a, const TagList& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].group != b[i].group || a[i].element != b[i].element || a[i].length != b[i].length ||
        a[i].VRText() != b[i].VRText() || a[i].value != b[i].value) {
      return false;
    }
  }
  return true;
}

const TagRecord& Pixels(const TagList& list) {
  static const TagRecord none;
  const TagRecord* found = FindTag(list, 0x7FE0, 0x0010);
  EXPECT_NE(found, nullptr) << "no pixel data";
  return found ? *found : none;
}

class StoreSCUWire : public ::testing::Test {
 protected:
  void SetUp() override { SetLOG("", 0); }

  StoreResult Store(ScriptedStorePeer& peer, const std::string& file,
                    std::string_view preferred = {}, bool convert = true) {
    return StoreSCU(testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"), file, preferred,
                    convert);
  }

  std::string Write(const std::string& name, const TagList& dataset,
                    std::string_view syntax = testing::kExplicitTS) {
    const std::string path = dir_ / name;
    EXPECT_TRUE(testing::WriteObject(path, dataset, syntax)) << path;
    return path;
  }

  testing::TempDir dir_;
};

TEST_F(StoreSCUWire, ImplicitFileWithoutPreferredSyntaxIsOfferedImplicitOnly) {
  ScriptedStorePeer peer({});
  const StoreResult result = Store(peer, testing::PydicomFile("MR_small_implicit.dcm"));
  const StorePeerRecord& seen = peer.Finish();
  EXPECT_TRUE(result.Ok()) << DescribeStoreResult(result);
  EXPECT_EQ(seen.Proposed().front().abstractSyntax, testing::kMRImageStorage);
  EXPECT_EQ(Syntaxes(seen), List({testing::kImplicitTS}));
  EXPECT_EQ(seen.stores.size(), 1u);
  EXPECT_TRUE(seen.released);
  EXPECT_EQ(DescribeStoreResult(result), "stored (0x0000)");
}

TEST_F(StoreSCUWire, BaselineFileWithPreferredExplicitIsConvertedWhenExplicitIsAccepted) {
  StorePeerScript script;
  script.acceptedSyntaxes = {std::string(testing::kExplicitTS)};
  ScriptedStorePeer peer(script);
  const std::string file = testing::PydicomFile("SC_rgb_jpeg_dcmtk.dcm");
  const StoreResult result = Store(peer, file, testing::kExplicitTS);
  const StorePeerRecord& seen = peer.Finish();

  EXPECT_EQ(Syntaxes(seen),
            List({testing::kExplicitTS, testing::kBaselineTS, testing::kImplicitTS}));
  ASSERT_TRUE(result.Ok()) << DescribeStoreResult(result);
  EXPECT_TRUE(result.converted);
  EXPECT_EQ(DescribeStoreResult(result),
            "stored (0x0000), converted from 1.2.840.10008.1.2.4.50 to 1.2.840.10008.1.2.1");
  ASSERT_EQ(seen.stores.size(), 1u);

  // The data set arrived as native explicit VR little endian pixels, the codec's decoding
  // of the file's JPEG stream.
  const DicomFileContent received =
      testing::ReadWireDataset(seen.stores[0].dataset, testing::kExplicitTS);
  ASSERT_TRUE(received.Ok());
  TagList original;
  ASSERT_TRUE(LoadFileDataset(file, original));
  TagList decoded;
  ASSERT_EQ(ConvertDataset(decoded, original, testing::kExplicitTS, testing::kBaselineTS),
            ConvertStatus::kOk);
  const TagRecord& pixels = Pixels(received.dataset);
  EXPECT_FALSE(pixels.HasUndefinedLength()) << "native pixel data, not encapsulated";
  EXPECT_EQ(pixels.length, 100u * 100u * 3u);
  EXPECT_EQ(pixels.value, Pixels(decoded).value);
}

TEST_F(StoreSCUWire, ConversionOffProposesTheFileSyntaxAloneAndARefusalSaysSo) {
  StorePeerScript script;
  script.acceptedSyntaxes = {std::string(testing::kExplicitTS)};
  ScriptedStorePeer peer(script);
  const StoreResult result =
      Store(peer, testing::PydicomFile("SC_rgb_jpeg_dcmtk.dcm"), testing::kExplicitTS, false);
  const StorePeerRecord& seen = peer.Finish();
  EXPECT_EQ(Syntaxes(seen), List({testing::kBaselineTS}));
  EXPECT_EQ(result.failure, ServiceFailure::kNoPresentationContext);
  EXPECT_FALSE(result.associated);
  EXPECT_TRUE(seen.stores.empty()) << "compressed pixel data labelled explicit VR would be corrupt";
  EXPECT_EQ(DescribeStoreResult(result),
            "failed, no association: the peer accepted no presentation context: proposed for SOP "
            "class 1.2.840.10008.5.1.4.1.1.7: 1.2.840.10008.1.2.4.50; conversion is off");
}

TEST_F(StoreSCUWire, ConversionOffAndTheFileSyntaxAcceptedSendsTheFileUnchanged) {
  StorePeerScript script;
  script.acceptedSyntaxes = {std::string(testing::kBaselineTS)};
  ScriptedStorePeer peer(script);
  const std::string file = testing::PydicomFile("SC_rgb_jpeg_dcmtk.dcm");
  const StoreResult result = Store(peer, file, testing::kExplicitTS, false);
  const StorePeerRecord& seen = peer.Finish();
  ASSERT_TRUE(result.Ok()) << DescribeStoreResult(result);
  EXPECT_FALSE(result.converted);
  ASSERT_EQ(seen.stores.size(), 1u);
  const DicomFileContent received =
      testing::ReadWireDataset(seen.stores[0].dataset, testing::kBaselineTS);
  TagList original;
  ASSERT_TRUE(LoadFileDataset(file, original));
  ASSERT_TRUE(received.Ok());
  ASSERT_EQ(received.dataset.size(), original.size());
  for (size_t i = 0; i < original.size(); ++i) {
    EXPECT_EQ(received.dataset[i].value, original[i].value)
        << "element " << i << " (" << std::hex << original[i].group << "," << original[i].element
        << ")";
  }
}

TEST_F(StoreSCUWire, NonImageObjectsNeverProposeThePreferredSyntax) {
  for (const char* name : {"test-SR.dcm", "reportsi.dcm", "waveform_ecg.dcm"}) {
    ScriptedStorePeer peer({});
    const StoreResult result = Store(peer, testing::PydicomFile(name), testing::kLosslessTS);
    const StorePeerRecord& seen = peer.Finish();
    EXPECT_EQ(Syntaxes(seen), List({testing::kExplicitTS, testing::kImplicitTS})) << name;
    EXPECT_TRUE(result.Ok()) << name << ": " << DescribeStoreResult(result);
    EXPECT_TRUE(result.converted) << name << " went out in the accepted implicit VR";
  }
}

TEST_F(StoreSCUWire, ImageWithPreferredLosslessIsCompressedWhenLosslessIsAccepted) {
  StorePeerScript script;
  script.acceptedSyntaxes = {std::string(testing::kLosslessTS)};
  ScriptedStorePeer peer(script);
  const std::string file = testing::PydicomFile("CT_small.dcm");
  const StoreResult result = Store(peer, file, testing::kLosslessTS);
  const StorePeerRecord& seen = peer.Finish();
  EXPECT_EQ(Syntaxes(seen),
            List({testing::kLosslessTS, testing::kExplicitTS, testing::kImplicitTS}));
  ASSERT_TRUE(result.Ok()) << DescribeStoreResult(result);
  ASSERT_EQ(seen.stores.size(), 1u);
  const DicomFileContent received =
      testing::ReadWireDataset(seen.stores[0].dataset, testing::kLosslessTS);
  ASSERT_TRUE(received.Ok());
  EXPECT_TRUE(Pixels(received.dataset).HasUndefinedLength()) << "encapsulated";
  TagList restored;
  ASSERT_EQ(ConvertDataset(restored, received.dataset, testing::kExplicitTS, testing::kLosslessTS),
            ConvertStatus::kOk);
  TagList original;
  ASSERT_TRUE(LoadFileDataset(file, original));
  EXPECT_EQ(Pixels(restored).value, Pixels(original).value) << "lossless round trip";
}

TEST_F(StoreSCUWire, BigEndianFileAcceptedAsImplicitArrivesInLittleEndian) {
  ScriptedStorePeer peer({});
  const StoreResult result = Store(peer, testing::PydicomFile("MR_small_bigendian.dcm"));
  const StorePeerRecord& seen = peer.Finish();
  EXPECT_EQ(Syntaxes(seen), List({testing::kBigEndianTS, testing::kImplicitTS}));
  ASSERT_TRUE(result.Ok()) << DescribeStoreResult(result);
  ASSERT_EQ(seen.stores.size(), 1u);
  const DicomFileContent received =
      testing::ReadWireDataset(seen.stores[0].dataset, testing::kImplicitTS);
  TagList little;
  ASSERT_TRUE(LoadFileDataset(testing::PydicomFile("MR_small.dcm"), little));
  EXPECT_EQ(Pixels(received.dataset).value, Pixels(little).value);
  EXPECT_EQ(GetTagUS(received.dataset, 0x0028, 0x0010), 64);
}

// Every case proposes one context per syntax the file can go out in: the preferred, its
// own, implicit VR little endian, each only when the conversion reaches it.
TEST_F(StoreSCUWire, ProposalIsOneContextPerSyntaxTheFileCanGoOutIn) {
  const struct {
    const char* file;
    std::string_view preferred;
    bool convert;
    std::vector<std::string_view> proposed;
  } cases[] = {
      {"CT_small.dcm",
       testing::kLosslessTS,
       true,
       {testing::kLosslessTS, testing::kExplicitTS, testing::kImplicitTS}},
      {"CT_small.dcm", testing::kBaselineTS, true, {testing::kExplicitTS, testing::kImplicitTS}},
      {"CT_small.dcm", testing::kLosslessTS, false, {testing::kExplicitTS}},
      {"CT_small.dcm",
       "1.2.840.10008.1.2.4.90",
       true,
       {"1.2.840.10008.1.2.4.90", testing::kExplicitTS, testing::kImplicitTS}},
      {"CT_small.dcm",
       "1.2.840.10008.1.2.4.51",
       true,
       {testing::kExplicitTS, testing::kImplicitTS}},
      {"JPEG-lossy.dcm", testing::kLosslessTS, true, {"1.2.840.10008.1.2.4.51"}},
      {"liver_1frame.dcm",
       testing::kLosslessTS,
       true,
       {testing::kExplicitTS, testing::kImplicitTS}},
      {"SC_ybr_full_422_uncompressed.dcm",
       testing::kBaselineTS,
       true,
       {testing::kBaselineTS, testing::kExplicitTS, testing::kImplicitTS}},
      {"SC_ybr_full_422_uncompressed.dcm",
       testing::kLosslessTS,
       true,
       {testing::kExplicitTS, testing::kImplicitTS}},
      {"SC_rgb_jpeg_dcmtk.dcm", {}, true, {testing::kBaselineTS, testing::kImplicitTS}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " preferring " + std::string(c.preferred) +
                 (c.convert ? "" : ", no conversion"));
    ScriptedStorePeer peer({});
    TagList dataset;
    ASSERT_TRUE(LoadFileDataset(testing::PydicomFile(c.file), dataset));
    (void)Store(peer, testing::PydicomFile(c.file), c.preferred, c.convert);
    const StorePeerRecord& seen = peer.Finish();
    const std::string sopClass = GetTagText(dataset, tag::kSOPClassUID);
    testing::WireBuilder expected;
    for (size_t i = 0; i < c.proposed.size(); ++i) {
      expected.Append(
          testing::ProposedContextItem(static_cast<uint8_t>(2 * i + 1), sopClass, {c.proposed[i]}));
    }
    EXPECT_EQ(testing::ProposedContextBytes(seen.associateRQ), expected.bytes())
        << Hex(testing::ProposedContextBytes(seen.associateRQ));
  }
}

// The peer accepts several of the contexts in its own order of preference; the object goes
// out on the one of the preferred syntax, else its own, else implicit VR little endian.
TEST_F(StoreSCUWire, AcceptedContextIsChosenInOurOrderOfPreference) {
  const struct {
    const char* name;
    const char* file;
    std::string_view preferred;
    std::vector<std::string> peerTakes;  // the peer's own preference first
    uint8_t contextID;
    std::string_view sentAs;
  } cases[] = {
      {"JPEG extended to a peer preferring implicit",
       "JPEG-lossy.dcm",
       {},
       {std::string(testing::kImplicitTS), "1.2.840.10008.1.2.4.51"},
       1,
       "1.2.840.10008.1.2.4.51"},
      {"1-bit image asked to go lossless",
       "liver_1frame.dcm",
       testing::kLosslessTS,
       {std::string(testing::kImplicitTS), std::string(testing::kExplicitTS)},
       1,
       testing::kExplicitTS},
      {"preferred syntax accepted",
       "CT_small.dcm",
       testing::kLosslessTS,
       {std::string(testing::kImplicitTS), std::string(testing::kExplicitTS),
        std::string(testing::kLosslessTS)},
       1,
       testing::kLosslessTS},
      {"own syntax before implicit",
       "CT_small.dcm",
       testing::kLosslessTS,
       {std::string(testing::kImplicitTS), std::string(testing::kExplicitTS)},
       3,
       testing::kExplicitTS},
      {"implicit when nothing else",
       "CT_small.dcm",
       testing::kLosslessTS,
       {std::string(testing::kImplicitTS)},
       5,
       testing::kImplicitTS},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StorePeerScript script;
    script.acceptedSyntaxes = c.peerTakes;
    ScriptedStorePeer peer(script);
    const std::string file = testing::PydicomFile(c.file);
    const StoreResult result = Store(peer, file, c.preferred);
    const StorePeerRecord& seen = peer.Finish();
    ASSERT_TRUE(result.Ok()) << DescribeStoreResult(result);
    ASSERT_EQ(seen.stores.size(), 1u);
    EXPECT_EQ(seen.stores[0].contextID, c.contextID);
    EXPECT_EQ(seen.accepted.at(c.contextID), c.sentAs);
    EXPECT_EQ(result.acceptedSyntax, c.sentAs);
    TagList original;
    const std::optional<std::string> own = LoadFileDataset(file, original);
    ASSERT_TRUE(own);
    EXPECT_EQ(result.converted, c.sentAs != *own);
    if (result.converted) continue;
    // Sent as it is: every element arrives with the file's own value bytes.
    const DicomFileContent received = testing::ReadWireDataset(seen.stores[0].dataset, c.sentAs);
    ASSERT_TRUE(received.Ok());
    ASSERT_EQ(received.dataset.size(), original.size());
    for (size_t i = 0; i < original.size(); ++i) {
      EXPECT_EQ(received.dataset[i].value, original[i].value) << "element " << i;
    }
  }
}

// The C-STORE-RQ: every element, in order, with the group length the encoding gives.
Bytes ExpectedCommand(std::string_view paddedClass, uint16_t messageID,
                      const std::string& paddedInstance) {
  MessageBuilder body;
  body.Implicit(0x0000, 0x0002, Text(paddedClass))
      .Implicit(0x0000, 0x0100, US(0x0001))
      .Implicit(0x0000, 0x0110, US(messageID))
      .Implicit(0x0000, 0x0700, US(0x0000))
      .Implicit(0x0000, 0x0800, US(0x0102));
  if (!paddedInstance.empty()) body.Implicit(0x0000, 0x1000, Text(paddedInstance));
  return MessageBuilder()
      .Implicit(0x0000, 0x0000,
                MessageBuilder().U32(static_cast<uint32_t>(body.bytes().size())).bytes())
      .Append(body.bytes())
      .bytes();
}

TEST_F(StoreSCUWire, OddSOPClassUIDIsPaddedWithNulAndCountedInTheGroupLength) {
  const std::string file = Write(
      "sc.dcm", testing::SmallImage(testing::kSecondaryCapture, "1.2.3.4.5", "1.2.3", "1.2.3.1"));
  ScriptedStorePeer peer({});
  ASSERT_TRUE(Store(peer, file).Ok());
  const StorePeerRecord& seen = peer.Finish();
  ASSERT_EQ(seen.stores.size(), 1u);
  const Bytes& command = seen.stores[0].command;
  const uint16_t messageID = CommandUS(seen.stores[0].Command(), 0x0110);
  // The association's own numbers, after its context IDs 1 and 3.
  EXPECT_EQ(messageID, 5) << "the first odd value after the two contexts";
  EXPECT_EQ(command, ExpectedCommand(std::string("1.2.840.10008.5.1.4.1.1.7") + '\0', 5,
                                     std::string("1.2.3.4.5") + '\0'))
      << Hex(command);
  // 26 (padded class) + 48 + 8 + 10 (padded instance).
  EXPECT_EQ(command[8], 92) << Hex(command, 0, 12);
}

TEST_F(StoreSCUWire, DataSetWithoutSOPInstanceUIDIsNotSent) {
  const std::string file = Write(
      "noinstance.dcm", testing::SmallImage(testing::kCTImageStorage, "", "1.2.3", "1.2.3.1"));
  ScriptedStorePeer peer({});
  const StoreResult result = Store(peer, file);
  EXPECT_EQ(result.failure, ServiceFailure::kLocal);
  EXPECT_EQ(result.reason, "the C-STORE-RQ lacks its Affected SOP Instance UID");
  const StorePeerRecord& seen = peer.Finish();
  EXPECT_TRUE(seen.stores.empty()) << "a C-STORE-RQ without it would be refused by strict peers";
}

TEST_F(StoreSCUWire, OddLengthSOPInstanceUIDInTheFileGetsANulPadInTheCommand) {
  TagList image = testing::SmallImage(testing::kCTImageStorage, "", "1.2.3", "1.2.3.1");
  image.insert(image.begin() + 1, GenerateTextTag(0x0008, 0x0018, "UI", "1.2.345"));
  const std::string file = Write("odd.dcm", image);
  ScriptedStorePeer peer({});
  ASSERT_TRUE(Store(peer, file).Ok());
  const StorePeerRecord& seen = peer.Finish();
  ASSERT_EQ(seen.stores.size(), 1u);
  EXPECT_EQ(seen.stores[0].command, ExpectedCommand(std::string("1.2.840.10008.5.1.4.1.1.2") + '\0',
                                                    5, std::string("1.2.345") + '\0'))
      << Hex(seen.stores[0].command);
}

TEST_F(StoreSCUWire, DataSetThatCannotFollowItsCommandAbortsTheAssociation) {
  // An LO value too long for the 16-bit length of explicit VR: fine in the implicit VR
  // file, impossible in the accepted explicit VR.
  TagList image = testing::SmallImage(testing::kCTImageStorage, "1.2.3.4", "1.2.3", "1.2.3.1");
  image.insert(image.begin() + 3, GenerateTextTag(0x0008, 0x1030, "LO", std::string(70000, 'x')));
  const std::string file = Write("long.dcm", image, testing::kImplicitTS);
  StorePeerScript script;
  script.acceptedSyntaxes = {std::string(testing::kExplicitTS)};
  ScriptedStorePeer peer(script);
  const StoreResult result = Store(peer, file, testing::kExplicitTS);
  const StorePeerRecord& seen = peer.Finish();
  EXPECT_EQ(result.failure, ServiceFailure::kNotSent) << DescribeStoreResult(result);
  EXPECT_TRUE(seen.stores.empty());
  EXPECT_TRUE(seen.aborted) << "the peer must not wait for a data set that never comes";
}

struct AnswerCase {
  PeerAnswer answer;
  uint16_t status;
  ServiceFailure failure;
  std::optional<uint16_t> reported;
  const char* text;
};

TEST_F(StoreSCUWire, EachKindOfAnswerEndsAsItShould) {
  const AnswerCase cases[] = {
      {PeerAnswer::kStatus, 0xA700, ServiceFailure::kStatus, 0xA700, "failed, status 0xA700"},
      {PeerAnswer::kStatus, 0xB000, ServiceFailure::kStatus, 0xB000,
       "failed, status 0xB000 (a warning; only 0x0000 counts as stored)"},
      {PeerAnswer::kStatus, 0xC000, ServiceFailure::kStatus, 0xC000, "failed, status 0xC000"},
      {PeerAnswer::kNoStatus, 0, ServiceFailure::kProtocol, std::nullopt,
       "failed, a C-STORE-RSP without its Status (the association was aborted)"},
      {PeerAnswer::kEchoResponse, 0, ServiceFailure::kUnexpectedResponse, std::nullopt,
       "failed, the peer answered with a C-ECHO-RSP, not a C-STORE-RSP"},
      {PeerAnswer::kCloseAtRequest, 0, ServiceFailure::kNoResponse, std::nullopt,
       "failed, no C-STORE-RSP: the peer closed the connection"},
  };
  for (const AnswerCase& c : cases) {
    StorePeerScript script;
    script.answer = c.answer;
    script.statuses = {c.status};
    ScriptedStorePeer peer(script);
    const StoreResult result = Store(peer, testing::PydicomFile("MR_small_implicit.dcm"));
    peer.Finish();
    EXPECT_EQ(result.failure, c.failure) << c.text;
    EXPECT_EQ(result.status, c.reported) << c.text;
    EXPECT_TRUE(result.associated) << c.text;
    EXPECT_EQ(DescribeStoreResult(result), c.text);
  }
}

TEST_F(StoreSCUWire, RejectedAssociationOrRefusedContextSendsNothing) {
  StorePeerScript rejecting;
  rejecting.reject = true;
  StorePeerScript refusingContext;
  refusingContext.contextResult = 4;
  for (const auto& [script, failure] :
       {std::pair{rejecting, ServiceFailure::kRejected},
        std::pair{refusingContext, ServiceFailure::kNoPresentationContext}}) {
    ScriptedStorePeer peer(script);
    const StoreResult result = Store(peer, testing::PydicomFile("CT_small.dcm"));
    const StorePeerRecord& seen = peer.Finish();
    EXPECT_EQ(result.failure, failure);
    EXPECT_FALSE(result.associated);
    EXPECT_EQ(DescribeStoreResult(result), "failed, no association: " + result.reason);
    EXPECT_TRUE(seen.connected);
    EXPECT_TRUE(seen.stores.empty());
  }
}

TEST_F(StoreSCUWire, UnusableFilesNeverConnect) {
  std::ofstream(dir_ / "text.dcm") << "not DICOM";
  TagList noClass = testing::SmallImage(testing::kCTImageStorage, "1.2.3.4", "1.2.3", "1.2.3.1");
  noClass.erase(noClass.begin());
  const std::string noClassFile = Write("noclass.dcm", noClass);
  TagList blankClass = noClass;
  blankClass.insert(blankClass.begin(), GenerateTextTag(0x0008, 0x0016, "UI", "  "));
  const std::string blankClassFile = Write("blank.dcm", blankClass);
  const std::string longClassFile =
      Write("long.dcm", testing::SmallImage(std::string(65, '1'), "1.2.3.4", "1.2.3", "1.2.3.1"));

  const std::pair<std::string, const char*> cases[] = {
      {dir_ / "missing.dcm", "the file cannot be opened"},
      {dir_ / "text.dcm", "the file "},
      {testing::PydicomFile("meta_missing_tsyntax.dcm"), "the file "},
      {testing::PydicomFile("MR_truncated.dcm"), "the file "},
      {noClassFile, "no SOP Class UID"},
      {blankClassFile, "no SOP Class UID"},
      {longClassFile, "longer than 64 characters"},
  };
  for (const auto& [file, reason] : cases) {
    ScriptedStorePeer peer({});
    const StoreResult result = Store(peer, file);
    EXPECT_EQ(result.failure, ServiceFailure::kLocal) << file;
    EXPECT_NE(DescribeStoreResult(result).find(reason), std::string::npos)
        << file << ": " << DescribeStoreResult(result);
    EXPECT_FALSE(peer.Stop().connected) << file;
  }
}

TEST_F(StoreSCUWire, RequestsOnOneAssociationTakeTheNextMessageIDsAndLeaveTheDataSetAlone) {
  StorePeerScript script;
  script.statuses = {0x0000, 0xA700};
  ScriptedStorePeer peer(script);
  TagList dataset;
  const std::optional<std::string> syntax =
      LoadFileDataset(testing::PydicomFile("CT_small.dcm"), dataset);
  ASSERT_TRUE(syntax);
  const TagList before = dataset;

  RequesterAssociation pdu;
  ASSERT_TRUE(OpenAssoc_Ex(pdu, testing::LoopbackPeer(peer.Port(), "PEER", "NORVANE"),
                           testing::kCTImageStorage, *syntax, "")
                  .Ok());
  EXPECT_FALSE(SendStoreRQ(pdu, dataset, testing::kMRImageStorage, *syntax, true).Ok())
      << "no context for that SOP class";
  EXPECT_TRUE(SendStoreRQ(pdu, dataset, testing::kCTImageStorage, *syntax, true).Ok());
  EXPECT_EQ(ReadStoreRSP(pdu).status, 0x0000);
  EXPECT_TRUE(SendStoreRQ(pdu, dataset, testing::kCTImageStorage, *syntax, true).Ok());
  const ServiceResult refused = ReadStoreRSP(pdu);
  EXPECT_EQ(refused.failure, ServiceFailure::kStatus);
  EXPECT_EQ(refused.status, 0xA700);
  CloseAssoc(pdu);
  const StorePeerRecord& seen = peer.Finish();

  ASSERT_EQ(seen.stores.size(), 2u);
  EXPECT_EQ(CommandUS(seen.stores[0].Command(), 0x0110), 3);
  EXPECT_EQ(CommandUS(seen.stores[1].Command(), 0x0110), 5);
  EXPECT_TRUE(SameRecords(dataset, before)) << "converted for implicit VR on a copy only";
}

// A series is planned from file headers: for every sample file whose header settles them,
// the contexts must be those the file read whole gives; a file whose pixel data the file
// does not hold is left to the whole read.
TEST(StoreContextsFromHeader, EqualThoseOfTheWholeFileForEverySampleFile) {
  SetLOG("", 0);
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(testing::PydicomFile("")))
    if (entry.path().extension() == ".dcm") files.push_back(entry.path());
  size_t planned = 0;
  for (const std::string& file : files) {
    for (const bool convert : {false, true}) {
      for (const std::string_view preferred :
           {"", "1.2.840.10008.1.2.4.70", "1.2.840.10008.1.2.1"}) {
        SCOPED_TRACE(file + (convert ? " convert " : " as is ") + std::string(preferred));
        const std::optional<std::vector<ContextProposal>> header =
            StoreContextsFromHeader(file, preferred, convert);
        if (!header) continue;
        ++planned;
        TagList dataset;
        StoreResult result;
        ASSERT_TRUE(LoadObjectForStore(file, dataset, result) && UsableSOPClass(result));
        const std::vector<ContextProposal> whole =
            StoreContexts(dataset, result.sopClass, result.fileSyntax, preferred, convert);
        ASSERT_EQ(header->size(), whole.size());
        for (size_t i = 0; i < whole.size(); ++i) {
          EXPECT_EQ((*header)[i].abstractSyntax, whole[i].abstractSyntax);
          EXPECT_EQ((*header)[i].transferSyntaxes, whole[i].transferSyntaxes);
        }
      }
    }
  }
  EXPECT_GT(planned, files.size()) << "most sample images are planned from their headers";
  EXPECT_TRUE(StoreContextsFromHeader(testing::PydicomFile("CT_small.dcm"), "", true));

  testing::TempDir dir;
  const std::string cut = dir / "cut.dcm";
  std::ifstream in(testing::PydicomFile("CT_small.dcm"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The pixel data ends before the trailing padding: a 12-byte header and 126 bytes.
  const size_t pixelEnd = bytes.size() - 12 - 126;
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, pixelEnd - 2);
  EXPECT_FALSE(StoreContextsFromHeader(cut, "", true)) << "pixel data cut by two bytes";
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, pixelEnd - 1);
  EXPECT_TRUE(StoreContextsFromHeader(cut, "", true)) << "one byte short is read as a pad";
}

}  // namespace
}  // namespace norvane
