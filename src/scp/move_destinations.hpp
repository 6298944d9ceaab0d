#pragma once

// The application entities a C-MOVE may send to: AE title, host and port, named on the
// command line as AET=HOST:PORT or, one per line, in a small file. A trailing ":tls"
// (AET=HOST:PORT:tls) asks for TLS on the associations to that destination.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

struct MoveDestination {
  std::string aeTitle;  // 1 to 16 characters, no backslash or control character
  std::string host;
  std::string port;         // a number from 1 to 65535
  std::string origin = {};  // where it was named ("FILE line N"), for messages
  bool tls = false;         // the destination is reached over TLS
};

// Parses "AET=HOST:PORT" or "AET=HOST:PORT:tls". Nothing, with `error` saying why, for any other
// text.
std::optional<MoveDestination> ParseMoveDestination(std::string_view text, std::string& error);

// Reads a file of destinations: one "AET=HOST:PORT[:tls]" per line; blank lines and lines whose
// first non-blank character is '#' are skipped, blanks around a line are ignored. Nothing,
// with `error` naming the file and line, when it cannot be read or a line does not parse.
std::optional<std::vector<MoveDestination>> ReadMoveDestinations(const std::string& path,
                                                                 std::string& error);

// The destination of this AE title (blanks around the title do not count, case does),
// or null.
const MoveDestination* FindMoveDestination(const std::vector<MoveDestination>& destinations,
                                           std::string_view aeTitle);

}  // namespace norvane
