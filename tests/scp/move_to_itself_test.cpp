// C-MOVEs whose destination is the SCP itself, many at once into a small pool: none may wait
// for a place that the requesters holding the pool keep (a deadlock until the time-outs).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "dimse/move_scu.hpp"
#include "scp/server_thread.hpp"
#include "scp/store_thread.hpp"
#include "support/index_test_objects.hpp"
#include "support/peers.hpp"

namespace norvane {
namespace {

TEST(MoveToItself, TwentyAtOnceIntoFourPlacesAllComplete) {
  constexpr std::string_view kStudy = "1.2.826.0.1.3680043.2.1125.11";
  testing::TempDir dir;
  const std::string folder = dir / "db/";
  for (const char* instance : {"1.2.3.1", "1.2.3.2", "1.2.3.3"}) {
    TagList object = testing::CompleteObject(kStudy, std::string(kStudy) + ".1", instance);
    ASSERT_EQ(StoreThread(folder, std::move(object), "1.2.840.10008.1.2").Run().status, 0);
  }
  const std::string port = std::to_string(testing::FreePort());
  StoreSCPSettings settings;
  settings.port = port;
  settings.loopbackOnly = true;
  settings.folder = folder;
  settings.maxAssociations = 4;
  settings.idleTimeout = std::chrono::seconds(5);
  settings.moveDestinations = {MoveDestination{"SELF", "127.0.0.1", port}};
  ServerThread scp(settings);
  ASSERT_TRUE(scp.Listen());
  scp.Start();

  std::atomic<int> completed{0};
  std::vector<std::thread> requesters;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) {
    requesters.emplace_back([&] {
      StudyInfo query;
      query.StudyInstanceUID = kStudy;
      const MoveResult result =
          MoveSCU(testing::LoopbackPeer(port, "ARCHIVE", "MOVER"), "SELF", query);
      if (result.Ok() && result.completed == 3)
        ++completed;
      else
        ADD_FAILURE() << result.reason;
    });
  }
  for (std::thread& requester : requesters)
    requester.join();
  EXPECT_EQ(completed, 20);
  EXPECT_LT(std::chrono::steady_clock::now() - start, settings.idleTimeout);
  scp.Stop();
}

}  // namespace
}  // namespace norvane
