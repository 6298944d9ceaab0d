#include <cstdio>
#include <cstring>
#include <string_view>

#include "cli/commands.hpp"
#include "platform/library_version.hpp"

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage: norvane SUBCOMMAND [options]\n\nsubcommands:\n");
  for (const norvane::cli::Command& c : norvane::cli::AllCommands()) {
    std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
  }
  std::fprintf(out,
               "\nnorvane SUBCOMMAND --help shows the options of one subcommand; every one also\n"
               "takes --json (one JSON document on standard output, docs/json.md).\n"
               "norvane --version shows the version.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string_view name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (name == "--version") {
    const std::string_view library = norvane::LibraryVersion();
    std::printf("norvane %s (library %.*s)\n", NORVANE_VERSION, static_cast<int>(library.size()),
                library.data());
    return 0;
  }
  for (const norvane::cli::Command& c : norvane::cli::AllCommands()) {
    if (name == c.name) return c.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "norvane: unknown subcommand '%s' (see norvane --help)\n", argv[1]);
  return 2;
}
