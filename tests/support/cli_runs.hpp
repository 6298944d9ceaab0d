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

// Runs the tool with a pseudo-terminal as its standard output and error.
inline RunResult NorvaneOnATerminal(std::vector<std::string> arguments) {
  const char* script =
      "import os, pty, sys\n"
      "pid, fd = pty.fork()\n"
      "if pid == 0:\n"
      "    os.execv(sys.argv[1], sys.argv[1:])\n"
      "out = b''\n"
      "while True:\n"
      "    try:\n"
      "        data = os.read(fd, 4096)\n"
      "    except OSError:\n"
      "        break\n"
      "    if not data:\n"
      "        break\n"
      "    out += data\n"
      "_, status = os.waitpid(pid, 0)\n"
      "sys.stdout.buffer.write(out)\n"
      "sys.exit(os.waitstatus_to_exitcode(status))\n";
  arguments.insert(arguments.begin(), {"/usr/bin/python3", "-c", script, NorvaneTool()});
  return RunProgram(arguments, std::chrono::seconds(120));
}

// A run of the norvane program with its standard output and standard error apart.
struct StreamsResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline StreamsResult NorvaneStreams(const std::vector<std::string>& arguments) {
  TempDir dir;
  const std::string errors = dir / "stderr";
  std::vector<std::string> argv = {"sh", "-c", "err=$1; shift; exec \"$0\" \"$@\" 2>\"$err\"",
                                   NorvaneTool(), errors};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const RunResult run = RunProgram(argv, std::chrono::seconds(120));
  return {run.exitCode, run.output, ReadFileText(errors)};
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
