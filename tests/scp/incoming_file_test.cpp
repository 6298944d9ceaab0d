#include "scp/incoming_file.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "datadec/byte_vector_sink.hpp"
#include "dimse/dimse_command.hpp"
#include "elements/tag_list.hpp"
#include "net/message_decoder.hpp"
#include "platform/file_bytes.hpp"
#include "scp/store_thread.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

namespace fs = std::filesystem;
constexpr std::string_view kImplicitLE = "1.2.840.10008.1.2";

std::vector<uint8_t> Pattern(size_t n, int seed) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<uint8_t>(i * 7 + seed + i / 1021);
  return bytes;
}

// A CT object with a meta element a peer should not send, an icon whose own large pixels sit
// in a sequence of undefined length, the image's pixels and a record after them.
TagList LargeImage() {
  TagList object = testing::CompleteObject("1.2.3", "1.2.3.4", "1.2.3.4.5");
  object.insert(object.begin(), GenerateTextTag(0x0002, 0x0016, "AE", "SENDER"));
  object.push_back(GenerateTag(0x0088, 0x0200, kUndefinedLength, nullptr, "SQ"));
  object.push_back(GenerateTag(0xFFFE, 0xE000, kUndefinedLength, nullptr, nullptr));
  object.push_back(GenerateTag(0x7FE0, 0x0010, "OW", Pattern(70000, 1)));
  object.push_back(GenerateTag(0xFFFE, 0xE00D, 0, nullptr, nullptr));
  object.push_back(GenerateTag(0xFFFE, 0xE0DD, 0, nullptr, nullptr));
  object.push_back(GenerateTag(0x7FE0, 0x0010, "OW", Pattern(300000, 2)));
  object.push_back(GenerateTag(0xFFFC, 0xFFFC, "OB", Pattern(10, 3)));
  return object;
}

// The object as a peer's PDVs bring it, decoded with `incoming` as the sink; empty when it
// does not decode whole.
TagList Received(const TagList& object, DatasetEncoding encoding, IncomingFile& incoming) {
  ByteVectorSink wire;
  EXPECT_TRUE(PutElements(wire, object, kNetworkRules, encoding));
  MessageDecoder decoder([&](uint8_t) { return std::optional(encoding); });
  decoder.SetSink(&incoming);
  TagList received;
  decoder.Begin(received);
  decoder.Start(1);
  for (size_t at = 0; at < wire.bytes.size(); at += 4093)
    decoder.Decode(
        std::span(wire.bytes).subspan(at, std::min<size_t>(4093, wire.bytes.size() - at)));
  if (!decoder.Finish()) received.clear();
  return received;
}

// The object received into an incoming file is stored byte for byte as the same object
// stored from memory.
TEST(IncomingFile, ObjectReceivedIntoItsFileIsStoredAsFromMemory) {
  const std::pair<std::string_view, DatasetEncoding> syntaxes[] = {
      {kImplicitLE, {.explicitVR = false}},
      {"1.2.840.10008.1.2.1", {.explicitVR = true}},
      {"1.2.840.10008.1.2.2", {.explicitVR = true, .bigEndian = true}}};
  for (const auto& [syntax, encoding] : syntaxes) {
    SCOPED_TRACE(syntax);
    testing::TempDir dir;
    fs::create_directory(dir / "streamed");
    const TagList object = LargeImage();
    IncomingFile incoming(dir / "streamed", std::string(syntax));
    TagList received = Received(object, encoding, incoming);
    ASSERT_EQ(received.size(), object.size());
    EXPECT_TRUE(received[object.size() - 5].inFile && received[object.size() - 5].value.empty())
        << "the icon's pixels, the first large ones, go into the file";

    const StoreWorkOutcome fromFile =
        StoreThread(dir / "streamed", std::move(received), std::string(syntax), &incoming).Run();
    const StoreWorkOutcome fromMemory =
        StoreThread(dir / "memory", object, std::string(syntax)).Run();
    ASSERT_EQ(fromFile.status, kStatusSuccess) << fromFile.problem;
    ASSERT_EQ(fromMemory.status, kStatusSuccess) << fromMemory.problem;
    EXPECT_EQ(LoadFileBytes(fromFile.filePath), LoadFileBytes(fromMemory.filePath));
    EXPECT_FALSE(fs::exists(incoming.Path())) << "the passing file was placed";
  }
}

// A data set that never completes leaves no passing file; pixels before the object's UIDs
// are not taken; pixels that could not all be written fail the store instead of being
// stored as zeros.
TEST(IncomingFile, UnfinishedDeclinedOrUnwritableObjectLeavesNoFile) {
  testing::TempDir dir;
  const TagRecord pixels = GenerateTag(0x7FE0, 0x0010, "OW", Pattern(65536, 4));
  {
    IncomingFile unfinished(dir.path().string(), std::string(kImplicitLE));
    ASSERT_TRUE(unfinished.Begin(testing::CompleteObject("1.2.3", "1.2.3.4", "1.2.3.4.5"), pixels));
    unfinished.Write(std::span(pixels.value).first(1000));
    EXPECT_TRUE(fs::exists(unfinished.Path()));
  }
  IncomingFile declined(dir.path().string(), std::string(kImplicitLE));
  EXPECT_FALSE(declined.Begin({}, pixels));
  EXPECT_TRUE(fs::is_empty(dir.path()));

  // Files of this process may not grow past 50 kB while the image arrives.
  IncomingFile incoming(dir.path().string(), std::string(kImplicitLE));
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{.rlim_cur = 50000, .rlim_max = limit.rlim_max};
  const auto xfsz = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  TagList received = Received(LargeImage(), {.explicitVR = false}, incoming);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::signal(SIGXFSZ, xfsz);
  EXPECT_TRUE(incoming.Took() && incoming.Failed());
  const StoreWorkOutcome outcome =
      StoreThread(dir.path().string(), std::move(received), std::string(kImplicitLE), &incoming)
          .Run();
  EXPECT_EQ(outcome.status, kStatusOutOfResources);
  EXPECT_EQ(outcome.problem, "the file cannot be written");
  EXPECT_FALSE(fs::exists(outcome.filePath));
}

}  // namespace
}  // namespace norvane
