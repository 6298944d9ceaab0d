#pragma once

// Helpers for tests that start real DICOM peers (DCMTK programs) on 127.0.0.1.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "net/association_parameters.hpp"

namespace norvane::testing {

// A peer on 127.0.0.1 with the default time-outs; an empty calling title asks for the
// default one.
inline AssociationParameters LoopbackPeer(const std::string& port, const std::string& calledAE,
                                          const std::string& callingAE = "") {
  AssociationParameters peer;
  peer.host = "127.0.0.1";
  peer.port = port;
  peer.callingAETitle = callingAE;
  peer.calledAETitle = calledAE;
  return peer;
}

// A TCP port on 127.0.0.1 that nothing listens on at the moment of the call.
uint16_t FreePort();

// Path of one of pydicom's sample files.
std::string PydicomFile(const std::string& name);

// Path of the norvane command-line tool of this build.
std::string NorvaneTool();

// True when the program is found on PATH.
bool HaveProgram(const std::string& name);

// The first of the programs that PATH lacks; empty when it holds every one.
std::string MissingProgram(std::initializer_list<std::string_view> names);

// The environment variable CI is set (CI sets CI=true): every peer program must be there.
bool PeersRequired();

// Skips the test when a program it needs is not on PATH, naming the program; under CI the
// test fails instead, so that a broken install cannot pass unseen. For SetUp and test
// bodies.
#define NORVANE_REQUIRE_PROGRAMS(...)                                                         \
  do {                                                                                        \
    const std::string norvaneMissing = ::norvane::testing::MissingProgram({__VA_ARGS__});     \
    if (!norvaneMissing.empty()) {                                                            \
      if (::norvane::testing::PeersRequired()) {                                              \
        GTEST_FAIL() << norvaneMissing << " is not on PATH, and CI is set: peers are needed"; \
      }                                                                                       \
      GTEST_SKIP() << norvaneMissing << " is not installed";                                  \
    }                                                                                         \
  } while (false)

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Result of a program run to completion.
struct RunResult {
  int exitCode = -1;   // -1 when it could not be started or was killed by a signal
  std::string output;  // standard output and standard error together
};

// Runs a program (looked up on PATH) with arguments and waits for it.
RunResult RunProgram(const std::vector<std::string>& argv,
                     std::chrono::seconds timeout = std::chrono::seconds(120));

// Runs the norvane tool of this build; the result's output is its standard error alone.
RunResult RunNorvaneStandardError(const std::vector<std::string>& arguments);

// Runs the norvane tool of this build with `folder` as its current directory.
RunResult RunNorvaneIn(const std::string& folder, const std::vector<std::string>& arguments);

// A peer program running in the background, its output going to a file; stopped with
// SIGTERM (then SIGKILL) by process id when the object goes.
class PeerProcess {
 public:
  PeerProcess() = default;
  ~PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  bool Start(const std::vector<std::string>& argv, const std::string& logPath,
             const std::string& workingDir = "");
  void Stop();
  // Sends `signal` and waits up to `timeout` for the process to end: its exit status, or
  // -1 when a signal ended it or it had to be killed.
  int Terminate(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  bool Running() const;
  pid_t pid() const { return pid_; }
  std::string Log() const;

 private:
  pid_t pid_ = -1;
  std::string logPath_;
};

// Polls a peer with DCMTK's echoscu until it answers (up to `timeout`).
bool WaitForEcho(uint16_t port, const std::string& calledAE,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

// Polls until something accepts TCP connections on 127.0.0.1:port.
bool WaitForListener(uint16_t port,
                     std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

// Whole content of a file as bytes.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);

}  // namespace norvane::testing
