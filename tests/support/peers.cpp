#include "support/peers.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <thread>

namespace norvane::testing {
namespace {

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& a : argv)
    pointers.push_back(const_cast<char*>(a.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Forks and execs `argv` with stdout and stderr going to `fd`.
pid_t Spawn(const std::vector<std::string>& argv, int fd, const std::string& workingDir) {
  std::vector<char*> pointers = ArgvPointers(argv);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0) ::_exit(126);
    ::dup2(fd, STDOUT_FILENO);
    ::dup2(fd, STDERR_FILENO);
    const int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
    ::execvp(pointers[0], pointers.data());
    ::_exit(127);
  }
  return pid;
}

int ExitCodeOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

uint16_t FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  uint16_t port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    socklen_t len = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
      port = ntohs(addr.sin_port);
    }
  }
  ::close(fd);
  return port;
}

std::string PydicomFile(const std::string& name) {
  return std::string(NORVANE_PYDICOM_TEST_FILES) + "/" + name;
}

std::string NorvaneTool() {
  return std::string(NORVANE_BINARY_DIR) + "/bin/norvane";
}

RunResult RunNorvaneIn(const std::string& folder, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {"sh", "-c", "cd \"$0\" && exec \"$@\"", folder, NorvaneTool()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProgram(argv, std::chrono::seconds(60));
}

RunResult RunNorvaneStandardError(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {"sh", "-c", "exec \"$0\" \"$@\" 2>&1 >/dev/null", NorvaneTool()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProgram(argv, std::chrono::seconds(60));
}

bool HaveProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (::access((dir + "/" + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::string MissingProgram(std::initializer_list<std::string_view> names) {
  for (const std::string_view name : names) {
    if (!HaveProgram(std::string(name))) return std::string(name);
  }
  return {};
}

bool PeersRequired() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0';
}

TempDir::TempDir() {
  std::random_device rd;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("norvane-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

RunResult RunProgram(const std::vector<std::string>& argv, std::chrono::seconds timeout) {
  RunResult result;
  char logName[] = "/tmp/norvane-run-XXXXXX";
  const int fd = ::mkstemp(logName);
  if (fd < 0) return result;
  const pid_t pid = Spawn(argv, fd, "");
  if (pid < 0) {
    ::close(fd);
    ::unlink(logName);
    return result;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      result.exitCode = ExitCodeOf(status);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      result.exitCode = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::close(fd);
  result.output = ReadFileText(logName);
  ::unlink(logName);
  return result;
}

PeerProcess::~PeerProcess() {
  Stop();
}

bool PeerProcess::Start(const std::vector<std::string>& argv, const std::string& logPath,
                        const std::string& workingDir) {
  Stop();
  logPath_ = logPath;
  const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  pid_ = Spawn(argv, fd, workingDir);
  ::close(fd);
  return pid_ > 0;
}

void PeerProcess::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 300; ++i) {
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

int PeerProcess::Terminate(int signal, std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, signal);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return ExitCodeOf(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Stop();
  return -1;
}

bool PeerProcess::Running() const {
  if (pid_ <= 0) return false;
  int status = 0;
  return ::waitpid(pid_, &status, WNOHANG) == 0;
}

std::string PeerProcess::Log() const {
  return ReadFileText(logPath_);
}

bool WaitForEcho(uint16_t port, const std::string& calledAE, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const RunResult r =
        RunProgram({"echoscu", "-q", "-aec", calledAE, "127.0.0.1", std::to_string(port)},
                   std::chrono::seconds(10));
    if (r.exitCode == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

bool WaitForListener(uint16_t port, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    if (ok) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace norvane::testing
