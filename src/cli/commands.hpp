#pragma once

#include <span>
#include <vector>

#include "cli/options.hpp"

namespace norvane::cli {

// One subcommand of the command-line tool: `run` gets the arguments after its name and
// returns the process exit status; `options` are the options it takes (--help and --json
// are taken by every subcommand).
struct Command {
  const char* name;
  const char* summary;
  int (*run)(int argc, char** argv);
  std::vector<OptionSpec> (*options)();
};

std::span<const Command> AllCommands();

// The subcommands, each in a file of its own, and their options.
int RunEcho(int argc, char** argv);
std::vector<OptionSpec> EchoOptions();
int RunDump(int argc, char** argv);
std::vector<OptionSpec> DumpOptions();
int RunDicomdir(int argc, char** argv);
std::vector<OptionSpec> DicomdirOptions();
int RunMeta(int argc, char** argv);
std::vector<OptionSpec> MetaOptions();
int RunConvert(int argc, char** argv);
std::vector<OptionSpec> ConvertOptions();
int RunThumbnail(int argc, char** argv);
std::vector<OptionSpec> ThumbnailOptions();
int RunScp(int argc, char** argv);
std::vector<OptionSpec> ScpOptions();
int RunStore(int argc, char** argv);
std::vector<OptionSpec> StoreOptions();
int RunSendSeries(int argc, char** argv);
std::vector<OptionSpec> SendSeriesOptions();
int RunLoad(int argc, char** argv);
std::vector<OptionSpec> LoadOptions();
int RunEcg(int argc, char** argv);
std::vector<OptionSpec> EcgOptions();
int RunFind(int argc, char** argv);
std::vector<OptionSpec> FindOptions();
int RunMove(int argc, char** argv);
std::vector<OptionSpec> MoveOptions();
int RunGet(int argc, char** argv);
std::vector<OptionSpec> GetOptions();
int RunProbe(int argc, char** argv);
std::vector<OptionSpec> ProbeOptions();
int RunWorklist(int argc, char** argv);
std::vector<OptionSpec> WorklistOptions();
int RunMpps(int argc, char** argv);
std::vector<OptionSpec> MppsOptions();
int RunCommit(int argc, char** argv);
std::vector<OptionSpec> CommitOptions();
int RunWorkflow(int argc, char** argv);
std::vector<OptionSpec> WorkflowOptions();
int RunPrint(int argc, char** argv);
std::vector<OptionSpec> PrintOptions();
int RunConfig(int argc, char** argv);
std::vector<OptionSpec> ConfigOptions();
int RunCompletion(int argc, char** argv);
std::vector<OptionSpec> CompletionOptions();

}  // namespace norvane::cli
