// norvane completion bash: a bash completion script for the subcommands and their options,
// made from the same option tables the subcommands parse with.

#include <cstdio>
#include <string>

#include "cli/commands.hpp"
#include "cli/invocation.hpp"

namespace norvane::cli {
namespace {

void PrintHelp() {
  std::printf(
      "usage: norvane completion bash\n\n"
      "Prints a bash completion script for norvane: the subcommands, the options of each,\n"
      "the values of options that take one of a few (--level, --ts, ...), and file names\n"
      "elsewhere. Load it into the running shell with\n"
      "  source <(norvane completion bash)\n"
      "or install it for every shell with\n"
      "  norvane completion bash > /etc/bash_completion.d/norvane\n\n"
      "exit status: 0 printed, 2 bad command line (a shell other than bash)\n");
}

// The options of a subcommand as one blank-separated word list, --help and --json included.
std::string OptionWords(const Command& command) {
  std::string words = "--help";
  if (std::string_view(command.name) != "completion") words += " --json";
  for (const OptionSpec& option : command.options()) {
    words += " ";
    words += option.name;
  }
  return words;
}

std::string Script() {
  std::string subcommands = "--help --version";
  std::string cases;
  for (const Command& command : AllCommands()) {
    subcommands += std::string(" ") + command.name;
    cases += std::string("    ") + command.name + ") options='" + OptionWords(command) + "'\n";
    std::string valued;
    std::string choices;
    for (const OptionSpec& option : command.options()) {
      if (!option.takesValue) continue;
      valued += std::string(" ") + option.name;
      if (option.choices != nullptr) {
        choices += std::string("        ") + option.name + ") words='" + option.choices + "' ;;\n";
      }
    }
    cases += "      valued='" + valued + " '\n";
    if (!choices.empty()) {
      cases += "      case \"$prev\" in\n" + choices + "      esac\n";
    }
    cases += "      ;;\n";
  }
  return "# bash completion for norvane: source <(norvane completion bash)\n"
         "_norvane() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
         "    COMPREPLY=($(compgen -W '" +
         subcommands +
         "' -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  local options='' valued='' words=''\n"
         "  case \"${COMP_WORDS[1]}\" in\n" +
         cases +
         "  esac\n"
         "  if [ -n \"$words\" ]; then\n"
         "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
         "  elif [[ \" $valued \" == *\" $prev \"* ]] || [[ $cur != -* ]]; then\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _norvane norvane\n";
}

}  // namespace

std::vector<OptionSpec> CompletionOptions() {
  return {};
}

int RunCompletion(int argc, char** argv) {
  Invocation run("completion", argc, argv, CompletionOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  const std::vector<std::string>& words = run.Args().positionals;
  if (words.size() != 1 || words[0] != "bash") {
    return run.Usage(words.empty() ? "name the shell: bash"
                                   : "only bash is supported, not '" + words[0] + "'");
  }
  const std::string script = Script();
  std::fwrite(script.data(), 1, script.size(), stdout);
  return 0;
}

}  // namespace norvane::cli
