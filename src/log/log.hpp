#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace norvane {

// Class name of the window that log lines were historically forwarded to; kept as the
// record of SetLOG, forwarding goes to the LogForwarder below instead.
inline constexpr std::string_view kLogWindowClass = "TQKTHisRisInterface";

// Sets the log level; replaces the log file path when `path` is not empty.
// Level above 0: print-service extras; above 1: association trace of the one-call
// services; above 2: hex dump of all socket traffic.
void SetLOG(std::string_view path, int level);

int LogLevel();
std::string LogFilePath();

// Appends "<date> <time>, <text>" to the log file (when one is set and can be opened),
// then hands `text` to the forwarder, if any.
void WriteLog(std::string_view text);

// Appends the hex and character dump of one block sent or received on a socket.
void DumpTraffic(const uint8_t* data, size_t length, bool sending);

// Receives the text of every line written to the log file (the command line's -v).
using LogForwarder = std::function<void(std::string_view text)>;
void SetLogForwarder(LogForwarder forwarder);

}  // namespace norvane
