#pragma once

#include <span>

namespace norvane::cli {

// One subcommand of the command-line tool: `run` gets the arguments after its name
// and returns the process exit status.
struct Command {
  const char* name;
  const char* summary;
  int (*run)(int argc, char** argv);
};

std::span<const Command> AllCommands();

// The subcommands, each in a file of its own.
int RunEcho(int argc, char** argv);
int RunDump(int argc, char** argv);
int RunDicomdir(int argc, char** argv);
int RunMeta(int argc, char** argv);
int RunConvert(int argc, char** argv);
int RunThumbnail(int argc, char** argv);
int RunScp(int argc, char** argv);
int RunStore(int argc, char** argv);
int RunSendSeries(int argc, char** argv);
int RunEcg(int argc, char** argv);
int RunFind(int argc, char** argv);
int RunMove(int argc, char** argv);
int RunGet(int argc, char** argv);
int RunProbe(int argc, char** argv);
int RunWorklist(int argc, char** argv);
int RunPrint(int argc, char** argv);
int RunConfig(int argc, char** argv);

}  // namespace norvane::cli
