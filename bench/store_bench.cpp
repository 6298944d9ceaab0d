// Throughput of series sending to DCMTK's storescp on 127.0.0.1: a series folder of CT-sized
// images (512 x 512, 16-bit, written by our writer and indexed as the storage SCP indexes
// them) sent with SendSeries over one association, in megabytes of data set per second.
//
// After the benchmark, the same files go to the same storescp with DCMTK's storescu (one
// association, -R: only the SOP class of the files proposed), and the best of several runs
// of each sender is compared. Both times include storescp writing every file (into
// /dev/shm when there is one, so that the disk does not set the pace).
// storescp and storescu run with TCP_NODELAY=1, as our sockets switch Nagle's algorithm off.
// Options: --files=N (default 200), --dcmtk-runs=N (default 3, 0 skips the comparison).
// Needs storescp and storescu on PATH.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "database/database_index.hpp"
#include "datadec/dicom_file_writer.hpp"
#include "datadec/meta_header.hpp"
#include "dimse/send_series.hpp"
#include "elements/tag_list.hpp"
#include "log/log.hpp"

extern char** environ;

namespace {

using norvane::TagList;
using norvane::TagRecord;

constexpr int kSize = 512;
constexpr const char* kExplicit = "1.2.840.10008.1.2.1";
constexpr const char* kCTImageStorage = "1.2.840.10008.5.1.4.1.1.2";
constexpr const char* kScpTitle = "STORESCP";

size_t g_files = 200;

TagRecord Text(uint16_t group, uint16_t element, const char* vr, std::string text, char pad) {
  if (text.size() % 2 != 0) text.push_back(pad);
  return norvane::GenerateTextTag(group, element, vr, text);
}

TagList CTImage(size_t index) {
  const std::string uid = "1.2.826.0.1.3680043.2.4821.99.1.2.3." + std::to_string(index + 1);
  std::vector<uint8_t> pixels(size_t{kSize} * kSize * 2);
  for (size_t i = 0; i < pixels.size() / 2; ++i) {
    const auto v = static_cast<uint16_t>((i % kSize) * 7 + (i / kSize) * 3 + index * 11);
    pixels[2 * i] = static_cast<uint8_t>(v);
    pixels[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  return {Text(0x0008, 0x0016, "UI", kCTImageStorage, '\0'),
          Text(0x0008, 0x0018, "UI", uid, '\0'),
          Text(0x0008, 0x0060, "CS", "CT", ' '),
          Text(0x0010, 0x0010, "PN", "Bench^Store", ' '),
          Text(0x0010, 0x0020, "LO", "BENCH1", ' '),
          Text(0x0020, 0x000D, "UI", "1.2.826.0.1.3680043.2.4821.99.1", '\0'),
          Text(0x0020, 0x000E, "UI", "1.2.826.0.1.3680043.2.4821.99.1.2", '\0'),
          Text(0x0020, 0x0013, "IS", std::to_string(index + 1), ' '),
          norvane::GenerateUSTag(0x0028, 0x0002, 1),
          Text(0x0028, 0x0004, "CS", "MONOCHROME2", ' '),
          norvane::GenerateUSTag(0x0028, 0x0010, kSize),
          norvane::GenerateUSTag(0x0028, 0x0011, kSize),
          norvane::GenerateUSTag(0x0028, 0x0100, 16),
          norvane::GenerateUSTag(0x0028, 0x0101, 16),
          norvane::GenerateUSTag(0x0028, 0x0102, 15),
          norvane::GenerateUSTag(0x0028, 0x0103, 0),
          norvane::GenerateTag(0x7FE0, 0x0010, "OW", pixels)};
}

struct Workspace {
  std::string root;
  std::string database;
  std::string received;
  std::string seriesFolder;
  std::vector<std::string> files;
  uint64_t bytes = 0;  // of all files
  std::string port;
  pid_t storescp = -1;
  bool ready = false;
  std::string problem;
};

uint16_t FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  uint16_t port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

pid_t Spawn(const std::vector<std::string>& argv, bool quiet) {
  std::vector<char*> args;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = -1;
  if (::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool RunQuietly(const std::vector<std::string>& argv) {
  const pid_t pid = Spawn(argv, true);
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

Workspace& Work() {
  static Workspace work = [] {
    Workspace w;
    std::string pattern = (std::filesystem::temp_directory_path() / "store_bench.XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    if (!made) {
      w.problem = "no temporary folder";
      return w;
    }
    w.root = made;
    w.database = w.root + "/Database";
    // storescp writes into memory where it can, so that the disk does not set the pace.
    std::string received = "/dev/shm/store_bench_received.XXXXXX";
    const char* inMemory =
        std::filesystem::is_directory("/dev/shm") ? ::mkdtemp(received.data()) : nullptr;
    w.received = inMemory ? std::string(inMemory) : w.root + "/received";
    std::filesystem::create_directories(w.received);
    for (size_t i = 0; i < g_files; ++i) {
      const TagList image = CTImage(i);
      const std::string study = "1.2.826.0.1.3680043.2.4821.99.1";
      const std::string series = study + ".2";
      w.seriesFolder = w.database + "/" + study + "/" + series + "/";
      const std::string file = w.seriesFolder + norvane::GetTagText(image, 0x0008, 0x0018) + ".dcm";
      TagList meta;
      norvane::BuildMetaHeader(meta, kCTImageStorage, norvane::GetTagText(image, 0x0008, 0x0018),
                               kExplicit);
      if (!norvane::IndexSucceeded(norvane::UpdateDatabaseIndex(file, w.database, image)) ||
          !norvane::WriteDicomFile(file, &meta, image, true, norvane::ByteOrder::kLittleEndian)) {
        w.problem = "the series could not be written";
        return w;
      }
      w.files.push_back(file);
      w.bytes += std::filesystem::file_size(file);
    }
    w.port = std::to_string(FreePort());
    w.storescp = Spawn({"storescp", "-aet", kScpTitle, "-od", w.received, w.port}, true);
    if (w.storescp <= 0) {
      w.problem = "storescp could not be started";
      return w;
    }
    for (int i = 0; i < 100 && !w.ready; ++i) {
      w.ready = RunQuietly({"echoscu", "-aec", kScpTitle, "127.0.0.1", w.port});
      if (!w.ready) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!w.ready) w.problem = "storescp does not answer";
    return w;
  }();
  return work;
}

void StopAndClean() {
  Workspace& w = Work();
  if (w.storescp > 0) {
    ::kill(w.storescp, SIGTERM);
    int status = 0;
    ::waitpid(w.storescp, &status, 0);
    w.storescp = -1;
  }
  std::error_code ignored;
  if (!w.received.empty()) std::filesystem::remove_all(w.received, ignored);
  if (!w.root.empty()) std::filesystem::remove_all(w.root, ignored);
}

double SendSeriesSeconds() {
  Workspace& w = Work();
  std::string calling = "BENCH";
  const auto start = std::chrono::steady_clock::now();
  const norvane::SeriesResult series =
      norvane::SendSeries("127.0.0.1", w.port, calling, kScpTitle, w.seriesFolder, "", true);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return series.Ok() && series.results.size() == w.files.size() ? seconds : -1;
}

// `maxSendPdu` 0: storescu's own PDU size (what the peer allows, 16 KB for storescp).
double StorescuSeconds(int maxSendPdu) {
  Workspace& w = Work();
  std::vector<std::string> argv = {"storescu", "-R", "-aet", "BENCH", "-aec", kScpTitle};
  if (maxSendPdu > 0) {
    argv.push_back("--max-send-pdu");
    argv.push_back(std::to_string(maxSendPdu));
  }
  argv.push_back("127.0.0.1");
  argv.push_back(w.port);
  argv.insert(argv.end(), w.files.begin(), w.files.end());
  const auto start = std::chrono::steady_clock::now();
  if (!RunQuietly(argv)) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void SendSeriesToStorescp(benchmark::State& state) {
  Workspace& w = Work();
  if (!w.ready) {
    state.SkipWithError(w.problem.c_str());
    return;
  }
  for (auto _ : state) {
    const double seconds = SendSeriesSeconds();
    if (seconds < 0) {
      state.SkipWithError("SendSeries did not store every file");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.bytes));
  state.counters["files"] = static_cast<double>(w.files.size());
}

BENCHMARK(SendSeriesToStorescp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

template <class Run>
double Best(int runs, Run run) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double seconds = run();
    if (seconds < 0) return -1;
    best = std::min(best, seconds);
  }
  return best;
}

void CompareWithStorescu(int runs) {
  Workspace& w = Work();
  if (runs <= 0 || !w.ready) return;
  const double megabytes = static_cast<double>(w.bytes) / 1e6;
  const double ours = Best(runs, SendSeriesSeconds);
  const double theirs = Best(runs, [] { return StorescuSeconds(0); });
  // The same PDU size as ours: 4096 message bytes per PDV.
  const double theirsSmall = Best(runs, [] { return StorescuSeconds(4096); });
  std::printf("\n%zu files, %.1f MB, best of %d runs to the same storescp:\n", w.files.size(),
              megabytes, runs);
  if (ours < 0) {
    std::printf("  SendSeries failed\n");
    return;
  }
  if (theirs < 0) {
    std::printf("  storescu could not be run\n");
    return;
  }
  std::printf("  SendSeries %8.1f MB/s (%.2f s)\n", megabytes / ours, ours);
  std::printf("  storescu   %8.1f MB/s (%.2f s, includes its process start-up)\n",
              megabytes / theirs, theirs);
  std::printf("  ratio SendSeries / storescu throughput: %.2f\n", theirs / ours);
  if (theirsSmall > 0) {
    std::printf("  storescu --max-send-pdu 4096 (PDVs as small as ours) %8.1f MB/s, ratio %.2f\n",
                megabytes / theirsSmall, theirsSmall / ours);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--dcmtk-runs=", 13) == 0) {
      runs = std::atoi(argv[i] + 13);
    } else if (std::strncmp(argv[i], "--files=", 8) == 0) {
      g_files = static_cast<size_t>(std::max(1, std::atoi(argv[i] + 8)));
    } else {
      rest.push_back(argv[i]);
    }
  }
  norvane::SetLOG("", 0);
  // DCMTK leaves Nagle's algorithm on unless asked; with it, every response waits for a
  // delayed ACK (about 40 ms per message on loopback). Our sockets switch it off, so
  // storescp and storescu get the same.
  ::setenv("TCP_NODELAY", "1", 1);
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  CompareWithStorescu(runs);
  StopAndClean();
  return 0;
}
