#include "database/stored_objects.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "database/index_file.hpp"
#include "scp/store_thread.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

using testing::CompleteObject;
using testing::PaddedText;

constexpr std::string_view kImplicitLE = "1.2.840.10008.1.2";
constexpr std::string_view kExplicitLE = "1.2.840.10008.1.2.1";
constexpr std::string_view kCT = "1.2.840.10008.5.1.4.1.1.2";

// Two studies: A with series A1 (images 1, 2) and A2 (image 3), B with series B1 (image 4).
class StoredObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    Store("1.2.3.A", "1.2.3.A.1", "1.2.3.A.1.1", kImplicitLE);
    Store("1.2.3.A", "1.2.3.A.1", "1.2.3.A.1.2", kExplicitLE);
    Store("1.2.3.A", "1.2.3.A.2", "1.2.3.A.2.3", kImplicitLE);
    Store("1.2.3.B", "1.2.3.B.1", "1.2.3.B.1.4", kExplicitLE);
    Store("1.2.3.A", "1.2.3.A.1", "1.2.3.A.1.2", kExplicitLE);  // sent again: listed once
  }

  void Store(std::string_view study, std::string_view series, std::string_view instance,
             std::string_view syntax) {
    const StoreWorkOutcome outcome =
        StoreThread(root_.path().string(), CompleteObject(study, series, instance),
                    std::string(syntax))
            .Run();
    ASSERT_EQ(outcome.status, 0) << outcome.problem;
  }

  std::vector<std::string> Listed(const InstanceKeys& keys) {
    std::vector<std::string> uids;
    for (const StoredInstance& instance :
         ListStoredInstances(root_.path().string(), keys).instances)
      uids.push_back(instance.sopInstanceUID);
    return uids;
  }

  testing::TempDir root_;
};

TEST_F(StoredObjects, UniqueKeysOfEachLevelSelectInstancesInIndexOrder) {
  struct Case {
    const char* name;
    InstanceKeys keys;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"no keys: everything", {}, {"1.2.3.A.1.1", "1.2.3.A.1.2", "1.2.3.A.2.3", "1.2.3.B.1.4"}},
      {"one study", {{}, {"1.2.3.B"}, {}, {}}, {"1.2.3.B.1.4"}},
      {"study list, padded",
       {{}, {"1.2.3.B ", "1.2.3.A"}, {}, {}},
       {"1.2.3.A.1.1", "1.2.3.A.1.2", "1.2.3.A.2.3", "1.2.3.B.1.4"}},
      {"series", {{}, {"1.2.3.A"}, {"1.2.3.A.2"}, {}}, {"1.2.3.A.2.3"}},
      {"series without study",
       {{}, {}, {"1.2.3.A.1", "1.2.3.B.1"}, {}},
       {"1.2.3.A.1.1", "1.2.3.A.1.2", "1.2.3.B.1.4"}},
      {"instances", {{}, {}, {}, {"1.2.3.B.1.4", "1.2.3.A.1.2"}}, {"1.2.3.A.1.2", "1.2.3.B.1.4"}},
      {"series of another study", {{}, {"1.2.3.B"}, {"1.2.3.A.1"}, {}}, {}},
      {"patient",
       {{"PID-0042"}, {}, {}, {}},
       {"1.2.3.A.1.1", "1.2.3.A.1.2", "1.2.3.A.2.3", "1.2.3.B.1.4"}},
      {"study of the patient", {{"PID-0042 "}, {"1.2.3.B"}, {}, {}}, {"1.2.3.B.1.4"}},
      {"another patient", {{"PID-0043"}, {}, {}, {}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Listed(c.keys), c.expected);
  }
}

TEST_F(StoredObjects, InstanceCarriesItsFileClassAndTransferSyntax) {
  const StoredInstances listing =
      ListStoredInstances(root_.path().string(), {{}, {}, {}, {"1.2.3.A.1.2"}});
  ASSERT_EQ(listing.instances.size(), 1u);
  const StoredInstance& instance = listing.instances.front();
  EXPECT_EQ(instance.filePath, root_ / "1.2.3.A/1.2.3.A.1/1.2.3.A.1.2.dcm");
  EXPECT_EQ(instance.studyInstanceUID, "1.2.3.A");
  EXPECT_EQ(instance.seriesInstanceUID, "1.2.3.A.1");
  EXPECT_EQ(instance.sopClassUID, kCT);
  EXPECT_EQ(instance.transferSyntax, kExplicitLE);
  EXPECT_TRUE(listing.unreadableFiles.empty());
}

TEST_F(StoredObjects, MissingFilesAndUnsafeIndexLinesAreNotListed) {
  std::filesystem::remove(root_ / "1.2.3.A/1.2.3.A.1/1.2.3.A.1.1.dcm");
  // A damaged index that names a path outside its series folder.
  ASSERT_TRUE(AppendIndexLine(root_ / "1.2.3.B/1.2.3.B.1/Image.dir", "1,1,../../x,\r\n"));
  ASSERT_TRUE(AppendIndexLine(root_ / "KPStudy.dir", "..,\r\n"));
  const StoredInstances listing = ListStoredInstances(root_.path().string(), {});
  ASSERT_EQ(listing.instances.size(), 3u);
  EXPECT_EQ(listing.instances.front().sopInstanceUID, "1.2.3.A.1.2");
  EXPECT_EQ(listing.unreadableFiles,
            std::vector<std::string>{root_ / "1.2.3.A/1.2.3.A.1/1.2.3.A.1.1.dcm"});
}

}  // namespace
}  // namespace norvane
