#include "cli/commands.hpp"

#include <array>

namespace norvane::cli {

// Each subcommand lives in its own file (<name>_command.cpp).
int RunDump(int argc, char** argv);
int RunDicomdir(int argc, char** argv);
int RunMeta(int argc, char** argv);
int RunConvert(int argc, char** argv);
int RunThumbnail(int argc, char** argv);

std::span<const Command> AllCommands() {
  static const std::array commands{
      Command{"dump", "print the elements of a DICOM file", RunDump},
      Command{"dicomdir", "print the directory records of a DICOMDIR", RunDicomdir},
      Command{"meta", "add a meta header to a bare dataset file", RunMeta},
      Command{"convert", "rewrite a DICOM file in another transfer syntax", RunConvert},
      Command{"thumbnail", "draw a DICOM image as a small JPEG file", RunThumbnail},
  };
  return commands;
}

}  // namespace norvane::cli
