#pragma once

// What the command-line tests share: running the norvane program and reading its output.

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/peers.hpp"

namespace norvane::testing {

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

inline size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

// Runs the norvane program; the limit only stops a run that hangs.
inline RunResult Norvane(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), NorvaneTool());
  return RunProgram(arguments, std::chrono::seconds(120));
}

// Waits until the process's output holds `part`; the output then.
inline std::string WaitForOutput(const PeerProcess& process, const std::string& part) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::string log = process.Log();
  while (!Contains(log, part) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    log = process.Log();
  }
  return log;
}

}  // namespace norvane::testing
