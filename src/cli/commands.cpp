#include "cli/commands.hpp"

#include <array>

namespace norvane::cli {

// Each subcommand lives in its own file; this table only names them.
std::span<const Command> AllCommands() {
  static const std::array commands{
      Command{"echo", "verify a DICOM node with C-ECHO", RunEcho},
  };
  return commands;
}

}  // namespace norvane::cli
